#include "SimulatorLoop.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <optional>
#include <system_error>

#include "CommandLog.h"
#include "SystemCallFailure.h"

namespace vantor::sim {

namespace {

using std::chrono::nanoseconds;

// How long `bytes` bytes occupy the line.
nanoseconds wireTime(std::size_t bytes) {
    return nanoseconds(static_cast<long long>(bytes) * 1'000'000'000LL / SimulatorLoop::kWireBytesPerSecond);
}

// How many whole bytes fit on the line in `elapsed`.
std::size_t bytesIn(nanoseconds elapsed) {
    return static_cast<std::size_t>(elapsed.count() * SimulatorLoop::kWireBytesPerSecond / 1'000'000'000LL);
}

unsigned commandsCarriedOut(const scale::ScaleCounters& c) {
    return c.unlocks + c.writes + c.reads + c.finishes;
}

void makeNonBlocking(int fd) {
    if (::fcntl(fd, F_SETFD, FD_CLOEXEC) < 0 || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) < 0)
        fail("fcntl");
}

// poll() counts in whole milliseconds: round up, so that a wake is never early and never spins.
int pollTimeout(std::optional<SimulatorLoop::Clock::time_point> wake) {
    if (!wake)
        return -1;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*wake - SimulatorLoop::Clock::now());
    return static_cast<int>(std::clamp<long long>(wait.count(), 0, INT_MAX));
}

}  // namespace

SimulatorLoop::SimulatorLoop(PseudoTerminal& line, scale::ScaleModel& model, SimulatorLoopOptions options)
    : m_line(line), m_model(model), m_options(std::move(options)) {
    int fds[2];
    if (::pipe(fds) != 0)
        fail("pipe");
    m_stopRead = fds[0];
    m_stopWrite = fds[1];
    makeNonBlocking(m_stopRead);
    makeNonBlocking(m_stopWrite);
}

SimulatorLoop::~SimulatorLoop() {
    ::close(m_stopRead);
    ::close(m_stopWrite);
}

void SimulatorLoop::requestStop() noexcept {
    const int savedErrno = errno;
    const char wake = 1;
    // A full pipe already holds a stop request.
    [[maybe_unused]] const ssize_t written = ::write(m_stopWrite, &wake, 1);
    errno = savedErrno;
}

void SimulatorLoop::run() {
    while (waitForWork()) {
        const Clock::time_point now = Clock::now();
        readFromLine(now);
        feedArrived(now);
        writeDue(now);
    }
}

// False when a stop was requested.
bool SimulatorLoop::waitForWork() {
    std::array<pollfd, 2> fds{};
    fds[0] = {m_stopRead, POLLIN, 0};
    fds[1] = {m_line.masterFd(), static_cast<short>(POLLIN | (m_lineFull ? POLLOUT : 0)), 0};
    const int ready = ::poll(fds.data(), fds.size(), pollTimeout(nextWake()));
    if (ready < 0 && errno != EINTR)
        fail("poll");
    if (ready <= 0)
        return true;
    if (fds[0].revents & POLLIN) {
        char drained[16];
        while (::read(m_stopRead, drained, sizeof drained) > 0) {
        }
        return false;
    }
    if (fds[1].revents & POLLOUT)
        m_lineFull = false;
    return true;
}

void SimulatorLoop::readFromLine(Clock::time_point now) {
    std::array<Byte, 4096> buffer;
    while (m_line.isOpen()) {
        const ssize_t n = ::read(m_line.masterFd(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n < 0)
            fail("reading the pseudo-terminal");
        if (n == 0)
            return;
        for (Byte byte : std::span(buffer.data(), static_cast<std::size_t>(n))) {
            // The client's bytes leave its port one after the other; each counts once it is through.
            Clock::time_point at = now;
            if (m_options.wireTiming)
                at = m_inboundFree = std::max(m_inboundFree, now) + wireTime(1);
            m_arrivals.push_back({at, byte});
        }
    }
}

void SimulatorLoop::feedArrived(Clock::time_point now) {
    while (!m_arrivals.empty() && m_arrivals.front().at <= now && m_line.isOpen()) {
        const Arrival arrival = m_arrivals.front();
        m_arrivals.pop_front();
        feed(arrival);
    }
}

// One byte at a time, so that a reply starts from the moment its own command was complete.
void SimulatorLoop::feed(const Arrival& arrival) {
    const scale::ScaleCounters before = m_model.counters();
    std::vector<scale::ScaleReply> replies = m_model.receive(std::span(&arrival.byte, 1));
    const scale::ScaleCounters& after = m_model.counters();
    if (after.noiseBytes != before.noiseBytes)
        return;

    m_command.push_back(arrival.byte);
    const bool complete =
        !replies.empty() || commandsCarriedOut(after) != commandsCarriedOut(before) || m_model.hungUp();
    if (!complete)
        return;
    if (m_options.log) {
        std::optional<scale::ScaleReply> reply;
        if (!replies.empty())
            reply = replies.front();
        m_options.log(describeCommand(m_command, reply, m_model.hungUp()));
    }
    m_command.clear();
    if (m_model.hungUp()) {
        hangUp();
        // Without power the scale serves nothing more: the run ends and the memory is saved.
        if (m_model.poweredOff())
            requestStop();
        return;
    }
    for (const scale::ScaleReply& reply : replies)
        scheduleReply(reply, arrival.at + reply.delay);
}

// A reply cut on its way goes out piece by piece, each piece its pause after the one before it.
void SimulatorLoop::scheduleReply(const scale::ScaleReply& reply, Clock::time_point start) {
    std::size_t from = 0;
    for (const scale::ReplyCut& cut : reply.cuts) {
        schedule(Bytes(reply.bytes.begin() + static_cast<std::ptrdiff_t>(from),
                       reply.bytes.begin() + static_cast<std::ptrdiff_t>(cut.at)),
                 start);
        start = m_outboundFree + cut.pause;
        from = cut.at;
    }
    schedule(Bytes(reply.bytes.begin() + static_cast<std::ptrdiff_t>(from), reply.bytes.end()), start);
}

// Replies share one line: a reply waits for the one before it to finish.
void SimulatorLoop::schedule(Bytes bytes, Clock::time_point start) {
    start = std::max(start, m_outboundFree);
    m_outboundFree = start + (m_options.wireTiming ? wireTime(bytes.size()) : nanoseconds(0));
    m_outgoing.push_back({start, std::move(bytes)});
}

std::size_t SimulatorLoop::dueBytes(const Outgoing& reply, Clock::time_point now) const {
    if (now < reply.start)
        return 0;
    if (!m_options.wireTiming)
        return reply.bytes.size();
    return std::min(reply.bytes.size(), bytesIn(now - reply.start));
}

void SimulatorLoop::writeDue(Clock::time_point now) {
    while (!m_outgoing.empty() && m_line.isOpen() && !m_lineFull) {
        Outgoing& reply = m_outgoing.front();
        const std::size_t due = dueBytes(reply, now);
        if (due > reply.sent) {
            const ssize_t n = ::write(m_line.masterFd(), reply.bytes.data() + reply.sent, due - reply.sent);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                fail("writing the pseudo-terminal");
            if (n > 0)
                reply.sent += static_cast<std::size_t>(n);
            // The client's receive buffer is full: go on when poll() says there is room.
            if (reply.sent < due) {
                m_lineFull = true;
                return;
            }
        }
        if (reply.sent < reply.bytes.size())
            return;
        m_outgoing.pop_front();
    }
}

std::optional<SimulatorLoop::Clock::time_point> SimulatorLoop::nextWake() const {
    std::optional<Clock::time_point> wake;
    const auto earliest = [&wake](Clock::time_point t) { wake = wake ? std::min(*wake, t) : t; };
    if (!m_arrivals.empty()) {
        // A few bytes at a time; a command that ends sooner is still answered from its own end.
        earliest(m_arrivals[std::min(m_arrivals.size(), kChunkBytes) - 1].at);
    }
    if (!m_outgoing.empty() && !m_lineFull) {
        const Outgoing& reply = m_outgoing.front();
        if (!m_options.wireTiming) {
            earliest(reply.start);
        } else {
            const std::size_t nextChunkEnd = std::min(reply.sent + kChunkBytes, reply.bytes.size());
            earliest(reply.start + wireTime(nextChunkEnd));
        }
    }
    return wake;
}

void SimulatorLoop::hangUp() {
    m_line.hangUp();
    m_arrivals.clear();
    m_outgoing.clear();
    m_command.clear();
    m_lineFull = false;
}

}  // namespace vantor::sim
