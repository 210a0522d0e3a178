#pragma once

#include <QObject>
#include <QUrl>
#include <chrono>
#include <functional>

namespace vantor::online {

class HttpRequest;

// The Internet check: can a well-known web page be opened? Any HTTP answer counts as
// connected; no page content is read. Bounded so a silent network cannot hold the splash.
class ConnectionProbe : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds kLimit{15};

    explicit ConnectionProbe(QObject* parent = nullptr);

    // For tests of a silent server; the program keeps kLimit.
    void setLimit(std::chrono::milliseconds limit) { m_limit = limit; }

    // Starts the check; `done(connected)` runs once, on this object's thread.
    void check(const QUrl& address, std::function<void(bool)> done);
    bool running() const { return m_request != nullptr; }

private:
    void finish(bool connected);

    HttpRequest* m_request = nullptr;
    std::function<void(bool)> m_done;
    std::chrono::milliseconds m_limit = kLimit;
};

}  // namespace vantor::online
