#include "core/scale/PauseGate.h"

namespace vantor::scale {

void PauseGate::pause() {
    const std::lock_guard lock(m_mutex);
    m_paused = !m_released;
}

void PauseGate::resume() {
    {
        const std::lock_guard lock(m_mutex);
        m_paused = false;
    }
    m_changed.notify_all();
}

void PauseGate::release() {
    {
        const std::lock_guard lock(m_mutex);
        m_released = true;
        m_paused = false;
    }
    m_changed.notify_all();
}

void PauseGate::waitWhilePaused() {
    std::unique_lock lock(m_mutex);
    m_holding = m_paused;
    m_changed.wait(lock, [this] { return !m_paused; });
    m_holding = false;
}

bool PauseGate::holding() const {
    const std::lock_guard lock(m_mutex);
    return m_holding;
}

}  // namespace vantor::scale
