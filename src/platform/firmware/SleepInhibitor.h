#pragma once

// Keeps the computer awake while the scale is being written: a computer that sleeps half way
// leaves a scale that does not work. Held from construction to destruction, on the thread that
// runs the update (Windows keeps the request per thread). Where no inhibitor can be had (no
// login manager, no system bus), the update goes on all the same, with a log line.

#include <memory>

namespace vantor::firmware {

class SleepInhibitor {
public:
    // What the computer is kept awake for; the login manager shows its reason to whoever asks
    // why the computer does not sleep.
    enum class Work { UpdatingSoftware, WritingTablesBack };

    explicit SleepInhibitor(Work work);
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    bool held() const { return m_held; }

private:
    struct Lock;
    std::unique_ptr<Lock> m_lock;
    bool m_held = false;
};

}  // namespace vantor::firmware
