#pragma once

// The client side of the simulator tests: the program's own SerialTransport on a device path.

#include <QCoreApplication>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "core/scale/ScaleLink.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::test {

// QSerialPort wants an application object for its notifiers, even when only its blocking waits
// are used.
inline void ensureCoreApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "vantor-tools-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

// Opened with the program's line settings; check isOpen() before use.
inline std::unique_ptr<scale::SerialTransport> openSerialClient(const std::string& device) {
    ensureCoreApplication();
    auto transport = std::make_unique<scale::SerialTransport>();
    transport->setPortName(QString::fromStdString(device));
    transport->open();
    return transport;
}

// Short waits: a reply from the simulator arrives within milliseconds, so a missing one is known
// after a second instead of the program's 10.
inline constexpr std::chrono::seconds kReplyLimit{1};

inline std::optional<Bytes> ask(scale::ScaleTransport& transport, const Bytes& command, std::size_t minimum) {
    scale::Reply reply = scale::exchange(transport, command, minimum, kReplyLimit);
    if (!reply)
        return std::nullopt;
    return std::move(reply.bytes);
}

// Collects exactly `count` bytes of the reply stream; what comes beyond stays in `extra`.
inline std::optional<Bytes> readExactly(scale::ScaleTransport& transport, std::size_t count, Bytes& extra) {
    Bytes bytes = std::move(extra);
    extra.clear();
    while (bytes.size() < count) {
        if (!transport.waitForBytes(1, kReplyLimit))
            return std::nullopt;
        const Bytes more = transport.readAvailable();
        bytes.insert(bytes.end(), more.begin(), more.end());
    }
    extra.assign(bytes.begin() + static_cast<std::ptrdiff_t>(count), bytes.end());
    bytes.resize(count);
    return bytes;
}

}  // namespace vantor::test
