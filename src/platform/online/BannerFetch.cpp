#include "platform/online/BannerFetch.h"

#include <QDir>

#include "platform/app/WholeFile.h"
#include "platform/online/HttpRequest.h"
#include "platform/online/OnlineLog.h"
#include "platform/online/WholeReply.h"

namespace vantor::online {

BannerFetch::BannerFetch(QObject* parent) : QObject(parent) {}

BannerFetch::~BannerFetch() = default;

void BannerFetch::RetrieveFile(const QUrl& url, const QString& destDir, std::function<void(bool)> done) {
    const QString name = url.fileName();
    if (name.isEmpty()) {
        done(false);
        return;
    }
    auto* request = new HttpRequest(url, {}, this);
    request->setTimeLimit(kLimit);
    const QString target = QDir(destDir).filePath(name);
    fetchWhole(request, kMaxBytes, [target, done = std::move(done)](const WholeReply& reply) {
        // Whatever body the server answered with is saved, an error page too: whether it is a
        // picture is decided when it is shown. Without a whole answer there is nothing to save.
        bool saved = false;
        if (reply.tooLarge)
            qCInfo(lcOnline) << "banner refused: larger than" << kMaxBytes << "bytes";
        else if (!reply.answered())
            qCInfo(lcOnline).noquote()
                << "banner not fetched:" << QString::fromStdString(HttpFailureText(reply.failure));
        else  // whole or not at all: a transfer that broke off leaves no half picture behind
            saved = !app::saveWhole(target, reply.body);
        done(saved);
    });
}

}  // namespace vantor::online
