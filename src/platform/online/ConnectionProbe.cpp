#include "platform/online/ConnectionProbe.h"

#include "platform/online/HttpRequest.h"
#include "platform/online/OnlineLog.h"

namespace vantor::online {

ConnectionProbe::ConnectionProbe(QObject* parent) : QObject(parent) {}

void ConnectionProbe::check(const QUrl& address, std::function<void(bool)> done) {
    if (m_request)
        finish(false);
    m_done = std::move(done);
    m_request = new HttpRequest(address, {{"Cache-Control", "no-cache"}}, this);
    m_request->setTimeLimit(m_limit);
    // Opening the page is enough: once the head is in, the body is not wanted.
    connect(m_request, &HttpRequest::readyRead, this, [this] {
        if (m_request && m_request->head().status)
            finish(true);
    });
    connect(m_request, &HttpRequest::finished, this, [this] {
        if (!m_request)
            return;
        // A proxy that answers (asking for credentials, refusing a tunnel) is a network that
        // works: the check and the download that follow say what the proxy wants.
        const HttpFailure::Kind failure = m_request->failure().kind;
        const bool proxyAnswered =
            failure == HttpFailure::Kind::ProxyAuthentication || failure == HttpFailure::Kind::ProxyRefused;
        const bool answered = (m_request->head().status && !m_request->failed()) || proxyAnswered;
        if (!answered)
            qCDebug(lcOnline).noquote() << "probe failed:" << m_request->errorString();
        finish(answered);
    });
    m_request->start();
}

void ConnectionProbe::finish(bool connected) {
    HttpRequest* request = std::exchange(m_request, nullptr);
    if (!request)
        return;
    request->disconnect(this);
    request->abort();
    request->deleteLater();
    qCDebug(lcOnline) << "probe:" << (connected ? "connected" : "not connected");
    if (auto done = std::exchange(m_done, nullptr))
        done(connected);
}

}  // namespace vantor::online
