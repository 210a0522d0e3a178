#include "platform/online/RequestDeadline.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace vantor::online {

void limitWholeRequest(QNetworkReply& reply, std::chrono::milliseconds limit) {
    // Owned by the reply: it goes when the reply goes, and fires only while the reply lives.
    auto* deadline = new QTimer(&reply);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, &reply, [&reply] {
        if (!reply.isFinished())
            reply.abort();
    });
    deadline->start(limit);
}

std::shared_ptr<const bool> limitReplySize(QNetworkReply& reply, qint64 maxBytes) {
    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(&reply, &QNetworkReply::downloadProgress, &reply,
                     [&reply, tooLarge, maxBytes](qint64 received, qint64) {
                         if (received <= maxBytes)
                             return;
                         *tooLarge = true;
                         reply.abort();
                     });
    return tooLarge;
}

bool answeredWhole(const QNetworkReply& reply) {
    const bool answered = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    const QNetworkReply::NetworkError error = reply.error();
    const bool transportFailed =
        error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
    return answered && !transportFailed;
}

}  // namespace vantor::online
