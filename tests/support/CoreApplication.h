#pragma once

// The Qt application that tests without forms need for their event loop (serial ports, HTTP,
// timers), made once for the whole test program.

#include <QCoreApplication>

namespace vantor::test {

inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "vantor-test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

}  // namespace vantor::test
