#include "platform/online/BannerFetch.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "platform/app/WholeFile.h"
#include "platform/online/OnlineLog.h"
#include "platform/online/RequestDeadline.h"

namespace vantor::online {

BannerFetch::BannerFetch(QObject* parent) : QObject(parent), m_network(new QNetworkAccessManager(this)) {}

BannerFetch::~BannerFetch() {
    for (QNetworkReply* reply : m_network->findChildren<QNetworkReply*>())
        disconnect(reply, nullptr, this, nullptr);
    delete m_network;
}

void BannerFetch::RetrieveFile(const QUrl& url, const QString& destDir, std::function<void(bool)> done) {
    const QString name = url.fileName();
    if (name.isEmpty()) {
        done(false);
        return;
    }
    QNetworkRequest request(url);
    QNetworkReply* reply = m_network->get(request);
    limitWholeRequest(*reply, kLimit);
    const std::shared_ptr<const bool> tooLarge = limitReplySize(*reply, kMaxBytes);
    const QString target = QDir(destDir).filePath(name);
    connect(reply, &QNetworkReply::finished, this, [reply, tooLarge, target, done = std::move(done)] {
        reply->deleteLater();
        // Whatever body the server answered with is saved, an error page too: whether it is a
        // picture is decided when it is shown. Without a whole answer there is nothing to save.
        bool saved = false;
        if (*tooLarge)
            qCInfo(lcOnline) << "banner refused: larger than" << kMaxBytes << "bytes";
        else if (!answeredWhole(*reply))
            qCInfo(lcOnline) << "banner not fetched:" << reply->errorString();
        else  // whole or not at all: a transfer that broke off leaves no half picture behind
            saved = !app::saveWhole(target, reply->readAll());
        done(saved);
    });
}

}  // namespace vantor::online
