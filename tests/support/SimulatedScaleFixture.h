#pragma once

// The program against vantor-scale-sim on a real pseudo-terminal: the file that holds the
// scale's memory, and the simulator's port chosen in the scale worker as detection leaves it.

#include <QObject>
#include <QString>
#include <QTest>
#include <string>
#include <utility>
#include <vector>

#include "ProgramFixture.h"
#include "ScaleMemory.h"
#include "SimulatorProcess.h"

namespace vantor::test {

class SimulatedScaleFixture : public ProgramFixture {
protected:
    // Long enough for a whole run against the simulator on a busy machine.
    static constexpr int kScaleWaitMs = 30000;

    // The file the simulator keeps the scale's memory in, in the program's folder.
    std::string memoryFile() { return program().programFile(QStringLiteral("scale.bin")).toStdString(); }
    // `size` bytes of the scale's memory from `from` (all of it when size is 0).
    Bytes memory(std::size_t from = 0, std::size_t size = 0) {
        return readScaleMemory(memoryFile(), from, size);
    }
    // A fresh scale's memory in the memory file: blank but for its serial number, and `bytes` at `at`.
    void writeMemory(const std::string& serial, std::size_t at = 0, const Bytes& bytes = {}) {
        writeFreshScaleMemory(memoryFile(), serial, at, bytes);
    }

    // Chooses `device` in the scale worker's transport as detection leaves it: named, closed,
    // and with the scale's serial number when one is given.
    void useScalePort(const std::string& device, const std::string& serial = {});
    // The port named in the scale worker's transport, and whether it is open.
    std::pair<QString, bool> workerPort();

    // Does `start`, then waits until `form` signals `ended`: the run and its questions are over.
    template <class Form, class Signal, class Start>
    static bool runToEnd(Form& form, Signal ended, Start start) {
        bool done = false;
        const auto connection = QObject::connect(&form, ended, [&] { done = true; });
        start();
        const bool seen = QTest::qWaitFor([&] { return done; }, kScaleWaitMs);
        QObject::disconnect(connection);
        return seen;
    }
};

}  // namespace vantor::test
