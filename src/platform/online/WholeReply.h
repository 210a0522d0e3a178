#pragma once

#include <QByteArray>
#include <functional>
#include <optional>

#include "core/online/HttpFailure.h"

namespace vantor::online {

class HttpRequest;

// A reply read whole: the query's answer, the banner's picture. Only a reply whose framing ended
// it in order has a body here; half a reply is a failure, never a shorter body.
struct WholeReply {
    std::optional<int> status;
    QByteArray body;
    HttpFailure failure;
    bool tooLarge = false;  // more than the bytes allowed came: the request was stopped

    bool answered() const { return status && !failure && !tooLarge; }
};

// Starts `request` and calls `done` once with its whole reply, then lets the request go. A reply
// longer than `maxBytes` is stopped as too large. The request is the caller's child: destroying
// the caller abandons it without calling back.
void fetchWhole(HttpRequest* request, qint64 maxBytes, std::function<void(const WholeReply&)> done);

}  // namespace vantor::online
