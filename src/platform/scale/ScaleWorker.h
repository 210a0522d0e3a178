#pragma once

#include <QObject>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <chrono>
#include <memory>
#include <utility>

#include "core/scale/PauseGate.h"
#include "core/scale/Progress.h"
#include "platform/scale/ScalePort.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::scale {

// The one thread that owns the scale's serial port. Forms hand it a job (a function over the
// port) and get the job's result back on their own thread; only one job runs at a time, so only
// one exchange is ever in flight on the link. The user-interface thread never waits for the scale.
class ScaleWorker : public QObject {
    Q_OBJECT
public:
    explicit ScaleWorker(QObject* parent = nullptr);
    ~ScaleWorker() override;

    // Runs `job(SerialTransport&)` on the worker thread, then `done(result)` on `context`'s thread
    // (skipped when `context` is gone by then). False, and nothing runs, while another job runs.
    template <class Job, class Done>
    bool run(Job job, QObject* context, Done done);

    // A scale operation: `job(SerialTransport&, const PortReadiness&)` runs with the scale's port
    // made ready first (opened afresh after a failure, or found again under a new device name; see
    // openScalePort), then `done(result)` on `context`'s thread. Forms come here through the form
    // base's operateScale; only detection and the port menu use run (through the form base's
    // runOnScale), as they must not make the port ready first.
    template <class Job, class Done>
    bool operate(Job job, QObject* context, Done done);
    // The same for an operation that reports progress: `job(SerialTransport&, const PortReadiness&,
    // const ProgressSink&)`; each report reaches `onProgress` on `context`'s thread, before `done`.
    template <class Job, class OnProgress, class Done>
    bool operate(Job job, QObject* context, OnProgress onProgress, Done done);

    bool busy() const { return m_busy.load(); }

    // Ends waits at once, closes the port and stops the thread. Jobs are refused afterwards.
    void stop();

    // Set while the program is ending; jobs may read it to stop early.
    const std::atomic<bool>& cancelFlag() const { return m_cancel; }
    // How long a scale that has gone from its device name is looked for on every port before an
    // operation (the serial-number read's limit unless set).
    void setDetectionLimit(std::chrono::milliseconds limit) { m_detectionLimit = limit; }

    // Holds a long job between exchanges while the user answers a question about it; stopping
    // the worker releases it.
    PauseGate& pauseGate() { return m_pause; }

private:
    SerialTransport& transport();

    QThread m_thread;
    QObject* m_context = nullptr;  // the worker thread's object for queued calls
    std::unique_ptr<SerialTransport> m_transport;
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_cancel{false};
    PauseGate m_pause;
    std::chrono::milliseconds m_detectionLimit = kSerialReadLimit;
    bool m_stopped = false;
};

template <class Job, class Done>
bool ScaleWorker::run(Job job, QObject* context, Done done) {
    if (m_stopped || m_busy.exchange(true))
        return false;
    QPointer<QObject> receiver(context);
    QMetaObject::invokeMethod(
        m_context, [this, job = std::move(job), receiver, done = std::move(done)]() mutable {
            auto result = job(transport());
            m_busy = false;
            if (!receiver)
                return;
            QMetaObject::invokeMethod(
                receiver.data(),
                [result = std::move(result), done = std::move(done)]() mutable { done(std::move(result)); });
        });
    return true;
}

template <class Job, class Done>
bool ScaleWorker::operate(Job job, QObject* context, Done done) {
    return run(
        [this, job = std::move(job)](SerialTransport& transport) mutable {
            const PortReadiness port = openScalePort(transport, &m_cancel, m_detectionLimit);
            return job(transport, port);
        },
        context, std::move(done));
}

template <class Job, class OnProgress, class Done>
bool ScaleWorker::operate(Job job, QObject* context, OnProgress onProgress, Done done) {
    QPointer<QObject> receiver(context);
    ProgressSink report = [receiver, onProgress = std::move(onProgress)](const Progress& progress) {
        if (!receiver)
            return;
        QMetaObject::invokeMethod(
            receiver.data(), [onProgress, progress] { onProgress(progress); }, Qt::QueuedConnection);
    };
    return operate([job = std::move(job), report = std::move(report)](
                       SerialTransport& transport,
                       const PortReadiness& port) mutable { return job(transport, port, report); },
                   context, std::move(done));
}

}  // namespace vantor::scale
