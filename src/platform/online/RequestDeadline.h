#pragma once

#include <QtGlobal>
#include <chrono>
#include <memory>

class QNetworkReply;

namespace vantor::online {

// Ends `reply` as a cancelled operation once `limit` has passed since it was sent. A bound on the
// whole request, not on its silences: a server that trickles a byte now and then must not hold
// the program any longer than one that sends nothing.
void limitWholeRequest(QNetworkReply& reply, std::chrono::milliseconds limit);

// Aborts `reply` once more than `maxBytes` of its body have come. The flag tells, once the reply
// has finished, whether that is why it ended.
std::shared_ptr<const bool> limitReplySize(QNetworkReply& reply, qint64 maxBytes);

// The finished `reply` brought a whole HTTP answer, whatever its status (an error page too);
// false when it got none or its transfer broke off.
bool answeredWhole(const QNetworkReply& reply);

}  // namespace vantor::online
