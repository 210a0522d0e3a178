#pragma once

#include <chrono>

class QNetworkReply;

namespace vantor::online {

// Ends `reply` as a cancelled operation once `limit` has passed since it was sent. A bound on the
// whole request, not on its silences: a server that trickles a byte now and then must not hold
// the program any longer than one that sends nothing.
void limitWholeRequest(QNetworkReply& reply, std::chrono::milliseconds limit);

}  // namespace vantor::online
