#include "online/RequestDeadline.h"

#include <QNetworkReply>
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

}  // namespace vantor::online
