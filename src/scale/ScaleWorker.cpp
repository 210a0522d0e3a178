#include "scale/ScaleWorker.h"

namespace vantor::scale {

ScaleWorker::ScaleWorker(QObject* parent) : QObject(parent) {
    m_thread.setObjectName(QStringLiteral("scale-worker"));
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
}

ScaleWorker::~ScaleWorker() { stop(); }

SerialTransport& ScaleWorker::transport() {
    // Created on first use, on the worker thread, so that the port and its notifiers belong to it.
    if (!m_transport) {
        m_transport = std::make_unique<SerialTransport>();
        m_transport->setCancelFlag(&m_cancel);
    }
    return *m_transport;
}

void ScaleWorker::stop() {
    if (m_stopped) return;
    m_stopped = true;
    m_cancel = true;
    m_pause.release();
    // Waits for a running job, which ends promptly now that the cancel flag is set, then closes
    // the port on its own thread.
    QMetaObject::invokeMethod(m_context, [this] { m_transport.reset(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

}  // namespace vantor::scale
