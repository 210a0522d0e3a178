#include "StopSignals.h"

#include <csignal>

namespace vantor::cli {

namespace {

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);  // safe to set from a signal handler

void stopOnSignal(int) {
    g_stop = true;
}

}  // namespace

std::atomic<bool>& stopOnSignals() {
    static const bool installed = [] {
#ifdef _WIN32
        std::signal(SIGINT, stopOnSignal);
        std::signal(SIGTERM, stopOnSignal);
#else
        // sigaction keeps the handler installed after the first signal, unlike signal() on some systems.
        struct sigaction action {};
        action.sa_handler = stopOnSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
#endif
        return true;
    }();
    (void)installed;
    return g_stop;
}

}  // namespace vantor::cli
