#pragma once

#include <condition_variable>
#include <mutex>

namespace vantor::scale {

// Lets the user-interface thread hold a long run between two exchanges with the scale: while the
// user answers a question about the run, the run finishes the exchange it is in and then waits,
// with no time limit running, until it is resumed or released for good (the program ending).
class PauseGate {
public:
    void pause();
    void resume();
    // Wakes every wait for good: nothing pauses a run any more.
    void release();

    // Returns at once unless paused; otherwise once resumed or released.
    void waitWhilePaused();
    // Whether a run is held at the gate now.
    bool holding() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_paused = false;
    bool m_released = false;
    bool m_holding = false;
};

}  // namespace vantor::scale
