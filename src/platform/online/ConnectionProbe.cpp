#include "platform/online/ConnectionProbe.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "platform/online/OnlineLog.h"

namespace vantor::online {

ConnectionProbe::ConnectionProbe(QObject* parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)) {}

void ConnectionProbe::check(const QUrl& address, std::function<void(bool)> done) {
    if (m_reply)
        m_reply->abort();
    m_done = std::move(done);
    QNetworkRequest request(address);
    request.setTransferTimeout(static_cast<int>(m_limit.count()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    m_reply = m_network->get(request);
    // Opening the page is enough: once the headers are in, the body is not wanted.
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        if (m_reply && m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
            finish(true);
    });
    connect(m_reply, &QNetworkReply::finished, this, [this] {
        if (!m_reply)
            return;
        const bool answered = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() ||
                              m_reply->error() == QNetworkReply::NoError;
        if (!answered)
            qCDebug(lcOnline) << "probe failed:" << m_reply->errorString();
        finish(answered);
    });
}

void ConnectionProbe::finish(bool connected) {
    QNetworkReply* reply = std::exchange(m_reply, nullptr);
    if (!reply)
        return;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
    qCDebug(lcOnline) << "probe:" << (connected ? "connected" : "not connected");
    if (auto done = std::exchange(m_done, nullptr))
        done(connected);
}

}  // namespace vantor::online
