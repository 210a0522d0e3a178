#include "platform/online/WholeReply.h"

#include <memory>

#include "platform/online/HttpRequest.h"

namespace vantor::online {

void fetchWhole(HttpRequest* request, qint64 maxBytes, std::function<void(const WholeReply&)> done) {
    auto reply = std::make_shared<WholeReply>();
    const auto take = [request, reply, maxBytes] {
        reply->body += request->readAll();
        if (reply->body.size() > maxBytes && !reply->tooLarge) {
            reply->tooLarge = true;
            request->abort();
        }
    };
    QObject::connect(request, &HttpRequest::readyRead, request, take);
    QObject::connect(request, &HttpRequest::finished, request,
                     [request, reply, take, done = std::move(done)] {
                         if (!reply->tooLarge)
                             take();
                         reply->status = request->head().status;
                         if (!reply->tooLarge)
                             reply->failure = request->failure();
                         request->deleteLater();
                         if (!reply->answered())
                             reply->body.clear();
                         // A copy: the callback may well destroy the request's parent, and this lambda with
                         // it.
                         if (const auto callback = done)
                             callback(*reply);
                     });
    request->start();
}

}  // namespace vantor::online
