#include "platform/scale/ScaleWorker.h"

namespace vantor::scale {

ScaleWorker::ScaleWorker(QObject* parent) : QObject(parent) {
    m_thread.setObjectName(QStringLiteral("scale-worker"));
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    // The port is closed on its own thread once that thread's event loop has ended. A job may run
    // a local event loop (detection does); a queued call to free the port would be delivered in
    // the middle of that job.
    connect(
        &m_thread, &QThread::finished, m_context, [this] { m_transport.reset(); }, Qt::DirectConnection);
    connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
}

ScaleWorker::~ScaleWorker() {
    stop();
}

SerialTransport& ScaleWorker::transport() {
    // Created on first use, on the worker thread, so that the port and its notifiers belong to it.
    if (!m_transport) {
        m_transport = std::make_unique<SerialTransport>();
        m_transport->setCancelFlag(&m_cancel);
    }
    return *m_transport;
}

void ScaleWorker::stop() {
    if (m_stopped)
        return;
    m_stopped = true;
    m_cancel = true;
    m_pause.release();
    // A running job ends promptly now that the cancel flag is set (quitting also ends the local
    // event loop of a detection); the port is closed when the thread finishes.
    m_thread.quit();
    m_thread.wait();
}

}  // namespace vantor::scale
