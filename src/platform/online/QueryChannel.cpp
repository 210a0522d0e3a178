#include "platform/online/QueryChannel.h"

#include <memory>

#include "core/online/ServerAddresses.h"
#include "platform/online/HttpRequest.h"
#include "platform/online/OnlineLog.h"
#include "platform/online/WholeReply.h"

namespace vantor::online {

QueryChannel::QueryChannel(QObject* parent) : QueryChannel(defaultScriptUrl(), parent) {}

QueryChannel::QueryChannel(const QUrl& scriptUrl, QObject* parent)
    : QObject(parent), m_scriptUrl(scriptUrl) {}

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
    const std::string body = BuildQueryBody(fieldName, statement);
    qCDebug(lcOnline) << "query" << QByteArray(fieldName.data(), fieldName.size()) << "to"
                      << m_scriptUrl.toString();
    auto* request = new HttpRequest(
        m_scriptUrl, {{"Content-Type", std::string(kQueryContentType)}, {"Cache-Control", "no-cache"}}, this);
    request->setPost(QByteArray(body.data(), static_cast<qsizetype>(body.size())));
    request->setTimeLimit(m_limit);
    const std::chrono::milliseconds limit = m_limit;
    fetchWhole(request, kMaxReplyBytes, [read, done = std::move(done), limit](const WholeReply& reply) {
        QueryResult result;
        // Any complete HTTP answer, an error page included, is read as the script's reply. A
        // request that got no answer, or whose answer broke off (time-out, dropped connection),
        // has failed: half a reply must not be read as rows.
        if (reply.tooLarge)
            result.failure = "The server's reply is larger than the query channel accepts.";
        else if (!reply.answered())
            result.failure = failureText(reply.failure, limit);
        else if (*reply.status >= 300 && *reply.status < 400)
            result.failure = "The server sent the query on to another address too many times.";
        else
            result =
                read(std::string_view(reply.body.constData(), static_cast<std::size_t>(reply.body.size())));
        if (!result.failure.empty())
            qCDebug(lcOnline) << "query failed:" << QString::fromStdString(result.failure);
        // A copy: the callback may well destroy this channel, and with it this request.
        if (const Callback callback = done)
            callback(result);
    });
}

std::string QueryChannel::failureText(const HttpFailure& failure, std::chrono::milliseconds limit) {
    if (failure.kind == HttpFailure::Kind::NoAnswer && failure.detail.empty()) {
        const auto seconds = std::chrono::duration_cast<std::chrono::duration<double>>(limit).count();
        return QStringLiteral("The server did not answer within %1 seconds.").arg(seconds).toStdString();
    }
    return HttpFailureText(failure);
}

}  // namespace vantor::online
