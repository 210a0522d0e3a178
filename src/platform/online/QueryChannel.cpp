#include "platform/online/QueryChannel.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <memory>

#include "core/online/ServerAddresses.h"
#include "platform/online/OnlineLog.h"
#include "platform/online/RequestDeadline.h"

namespace vantor::online {

QueryChannel::QueryChannel(QObject* parent) : QueryChannel(defaultScriptUrl(), parent) {}

QueryChannel::QueryChannel(const QUrl& scriptUrl, QObject* parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)), m_scriptUrl(scriptUrl) {}

QUrl QueryChannel::defaultScriptUrl() {
    const ServerAddresses addresses = ServerAddresses::fromEnvironment();
    return QUrl(QString::fromStdString(joinUrl(addresses.webServer, std::string(kQueryScriptPath))));
}

void QueryChannel::FetchRows(const std::string& statement, Callback done) {
    post(kFetchField, statement, &ReadFetchReply, std::move(done));
}

void QueryChannel::ExecuteQuery(const std::string& statement, Callback done) {
    post(kExecuteField, statement, &ReadExecuteReply, std::move(done));
}

void QueryChannel::post(std::string_view fieldName, const std::string& statement, ReplyReader read,
                        Callback done) {
    QNetworkRequest request(m_scriptUrl);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArray(kQueryContentType.data(), kQueryContentType.size()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    const std::string body = BuildQueryBody(fieldName, statement);
    qCDebug(lcOnline) << "query" << QByteArray(fieldName.data(), fieldName.size()) << "to"
                      << m_scriptUrl.toString();

    QNetworkReply* reply =
        m_network->post(request, QByteArray(body.data(), static_cast<qsizetype>(body.size())));
    limitWholeRequest(*reply, m_limit);
    const std::shared_ptr<const bool> tooLarge = limitReplySize(*reply, kMaxReplyBytes);
    const std::chrono::milliseconds limit = m_limit;
    connect(reply, &QNetworkReply::finished, this, [reply, read, done = std::move(done), tooLarge, limit] {
        reply->deleteLater();
        QueryResult result;
        // Any complete HTTP answer, an error page included, is read as the script's reply. A
        // request that got no answer, or whose answer broke off (time-out, dropped connection),
        // has failed: half a reply must not be read as rows.
        if (*tooLarge) {
            result.failure = "The server's reply is larger than the query channel accepts.";
        } else if (!answeredWhole(*reply)) {
            result.failure = failureText(reply, limit).toStdString();
        } else {
            const QByteArray text = reply->readAll();
            result = read(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        }
        if (!result.failure.empty())
            qCDebug(lcOnline) << "query failed:" << QString::fromStdString(result.failure);
        // A copy: the callback may well destroy this channel, and with it this connection.
        if (const Callback callback = done)
            callback(result);
    });
}

QString QueryChannel::failureText(QNetworkReply* reply, std::chrono::milliseconds limit) {
    // A transfer time-out shows up as a cancelled operation; say what really happened.
    if (reply->error() == QNetworkReply::OperationCanceledError ||
        reply->error() == QNetworkReply::TimeoutError) {
        const auto seconds = std::chrono::duration_cast<std::chrono::duration<double>>(limit).count();
        return QStringLiteral("The server did not answer within %1 seconds.").arg(seconds);
    }
    return reply->errorString();
}

}  // namespace vantor::online
