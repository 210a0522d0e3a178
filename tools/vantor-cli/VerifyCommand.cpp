#include "VerifyCommand.h"

#include <iostream>

#include "EachScale.h"
#include "ScaleCommands.h"
#include "StopSignals.h"
#include "UpdateSource.h"
#include "core/firmware/ScaleVerify.h"
#include "platform/firmware/JournalFile.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::cli {

using namespace vantor::firmware;

namespace {

struct Verified {
    ScaleCheck check;
    std::string refusal;  // why the port could not be used ("" when it could)

    bool matches() const { return refusal.empty() && check.matches(); }
    std::string line(const std::string& port) const {
        const std::string serial = check.read.serial.empty() ? "-" : check.read.serial;
        return port + " " + serial + ": " + (refusal.empty() ? verifyText(check) : refusal);
    }
};

Verified verifyOnPort(const std::string& port, const ImageBuffer& image) {
    Verified verified;
    scale::SerialTransport transport;
    transport.setPortName(QString::fromStdString(port));
    if (const auto failure = transport.open()) {
        verified.refusal = "the port cannot be opened: " + failure->detail.toStdString();
        return verified;
    }
    std::atomic<bool>& stop = stopOnSignals();
    transport.setCancelFlag(&stop);
    verified.check = verifyScale(
        transport, image, [&port](const scale::Progress& progress) { showPagesRead(port, progress); }, stop);
    return verified;
}

}  // namespace

int verifyCommand(const ParsedCommand& command) {
    // The whole file is checked before any scale is looked for.
    const UpdateSource source = loadUpdateSource(command.arguments.at(0));
    if (!source.image)
        return source.status;
    const ChosenPorts chosen = scalesToRead(command);
    if (chosen.ports.empty())
        return chosen.status;

    std::vector<Verified> scales(chosen.ports.size());
    onEachPort(chosen.ports, [&](std::size_t i, const std::string& port) {
        scales[i] = verifyOnPort(port, *source.image);
    });
    bool allMatch = true;
    for (std::size_t i = 0; i < scales.size(); ++i) {
        // A match says nothing of tables half written back: an unfinished update is said, and fails.
        const std::string& serial = scales[i].check.read.serial;
        const std::string unfinished =
            serial.empty() ? std::string() : JournalFile::unfinishedNote(JournalFile::folder(), serial);
        std::cout << scales[i].line(chosen.ports[i]) << (unfinished.empty() ? "" : "; " + unfinished) << "\n";
        allMatch = allMatch && scales[i].matches() && unfinished.empty();
    }
    return allMatch ? kSuccess : kScaleFailed;
}

}  // namespace vantor::cli
