#include "ScaleCommands.h"

#include <algorithm>
#include <chrono>
#include <iostream>

#include "core/scale/ScaleLink.h"
#include "core/scale/SerialNumber.h"
#include "platform/scale/AccessRemedy.h"
#include "platform/scale/PortDetector.h"
#include "platform/scale/PortDiscovery.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::cli {

using namespace vantor::scale;

namespace {

void reportNoScale(const std::vector<std::string>& ports, const DetectionResult& result) {
    if (ports.empty()) {
        std::cerr << "No serial ports found; connect the scale (or list devices in VANTOR_SERIAL_PORTS).\n";
    } else {
        std::cerr << "No scale answered on " << ports.size() << (ports.size() == 1 ? " port" : " ports")
                  << ".\n";
    }
    for (const RefusedPort& refused : result.refused)
        std::cerr << "  " << refused.port << ": " << refused.detail << "\n";
    if (const std::string hint = accessHint(result, accessDeniedRemedy()); !hint.empty())
        std::cerr << hint << "\n";
}

std::optional<DetectionResult> detectScale(const std::vector<std::string>& ports,
                                           DetectionGoal goal = DetectionGoal::FirstScale) {
    std::cerr << "Looking for " << (goal == DetectionGoal::FirstScale ? "the scale" : "every scale") << " on "
              << ports.size() << (ports.size() == 1 ? " port" : " ports") << "...\n";
    DetectionResult result = PortDetector().detect(ports, nullptr, goal);
    if (!result.found()) {
        reportNoScale(ports, result);
        return std::nullopt;
    }
    return result;
}

// A scale answers the serial-number read in a fraction of a second: the other ports are asked
// once more for this long, so that a silent port (a PC's own COM port) delays a command only a
// little, where awaiting its full limit would cost 10 seconds every time.
constexpr std::chrono::milliseconds kOtherScalesLimit{1000};

std::vector<FoundScale> otherScales(const std::vector<std::string>& ports, const DetectionResult& chosen) {
    std::vector<std::string> rest;
    for (const std::string& port : ports) {
        const bool refused = std::any_of(chosen.refused.begin(), chosen.refused.end(),
                                         [&](const RefusedPort& r) { return r.port == port; });
        if (port != *chosen.port && !refused)
            rest.push_back(port);
    }
    if (rest.empty())
        return {};
    return PortDetector(kOtherScalesLimit).detect(rest, nullptr, DetectionGoal::EveryScale).scales;
}

// Detection without --port takes the first scale in port order; with several connected, the
// user must see which one is about to be used and how to pick another.
void nameChosenScale(const DetectionResult& chosen, const std::vector<FoundScale>& others,
                     const ParsedCommand& command) {
    std::cerr << "Using the scale " << chosen.serial << " on " << *chosen.port << ".\n";
    if (others.empty())
        return;
    std::cerr << others.size() << (others.size() == 1 ? " other scale" : " other scales") << " answered too:";
    const char* separator = " ";
    for (const FoundScale& scale : others) {
        std::cerr << separator << scale.serial << " on " << scale.port;
        separator = ", ";
    }
    std::cerr << ". Choose with --port DEV" << (command.takes("all") ? ", or --all for every scale" : "")
              << ".\n";
}

}  // namespace

int portsCommand() {
    for (const std::string& port : EnumPorts())
        std::cout << port << "\n";
    return kSuccess;
}

int detectCommand(const ParsedCommand& command) {
    if (command.has("all")) {
        const auto result = detectScale(EnumPorts(), DetectionGoal::EveryScale);
        if (!result)
            return kScaleFailed;
        for (const FoundScale& scale : result->scales)
            std::cout << scale.port << " " << scale.serial << "\n";
        return kSuccess;
    }
    const auto result = detectScale(EnumPorts());
    if (!result)
        return kScaleFailed;
    std::cout << *result->port << " " << result->serial << "\n";
    return kSuccess;
}

std::vector<std::string> detectEveryScale() {
    std::vector<std::string> ports;
    if (const auto result = detectScale(EnumPorts(), DetectionGoal::EveryScale))
        for (const FoundScale& scale : result->scales)
            ports.push_back(scale.port);
    return ports;
}

std::optional<std::string> choosePort(const ParsedCommand& command) {
    if (const auto port = command.value("port"))
        return port;
    const std::vector<std::string> ports = EnumPorts();
    const auto result = detectScale(ports);
    if (!result)
        return std::nullopt;
    nameChosenScale(*result, otherScales(ports, *result), command);
    return result->port;
}

bool openPort(SerialTransport& transport, const std::string& port) {
    transport.setPortName(QString::fromStdString(port));
    const auto failure = transport.open();
    if (!failure)
        return true;
    std::cerr << "Cannot open " << port << ": " << failure->detail.toStdString() << "\n";
    DetectionResult refused;
    refused.refused.push_back({port, failure->problem, failure->detail.toStdString()});
    if (const std::string hint = accessHint(refused, accessDeniedRemedy()); !hint.empty())
        std::cerr << hint << "\n";
    return false;
}

std::optional<std::string> connectScale(const ParsedCommand& command, SerialTransport& transport) {
    auto port = choosePort(command);
    if (!port || !openPort(transport, *port))
        return std::nullopt;
    return port;
}

int serialCommand(const ParsedCommand& command) {
    SerialTransport transport;
    const auto port = connectScale(command, transport);
    if (!port)
        return kScaleFailed;
    const SerialRead read = RdSN(transport);
    transport.close();
    if (!read.scaleCom) {
        std::cerr << "The scale on " << *port << " did not answer.\n";
        return kScaleFailed;
    }
    if (!CheckSerial(read.serial)) {
        std::cerr << "The scale on " << *port << " answered, but not with a serial number: " << read.serial
                  << "\n";
        return kScaleFailed;
    }
    std::cout << read.serial << "\n";
    return kSuccess;
}

}  // namespace vantor::cli
