#include "EachScale.h"

#include <QThread>
#include <iostream>
#include <memory>
#include <mutex>

#include "ScaleCommands.h"
#include "StopSignals.h"
#include "platform/scale/PortDiscovery.h"

namespace vantor::cli {

namespace {

constexpr std::size_t kReadLineEveryPages = 128;

}  // namespace

ChosenPorts choosePorts(const ParsedCommand& command) {
    ChosenPorts chosen;
    const std::vector<std::string> given = command.allValues("port");
    const bool all = command.has("all");
    if (all && !given.empty()) {
        std::cerr << command.name << " takes --all or --port, not both.\n";
        chosen.status = kBadInput;
        return chosen;
    }
    chosen.several = all || given.size() > 1;
    chosen.ports = all ? detectEveryScale() : given;
    return chosen;
}

ChosenPorts scalesToRead(const ParsedCommand& command) {
    ChosenPorts chosen = choosePorts(command);
    if (chosen.status != kSuccess)
        return chosen;
    if (!command.has("all"))
        chosen.ports = scale::distinctDevices(chosen.ports);
    if (chosen.ports.empty() && !command.has("all"))
        if (const auto port = choosePort(command))
            chosen.ports.push_back(*port);
    if (chosen.ports.empty())
        chosen.status = kScaleFailed;
    return chosen;
}

void onEachPort(const std::vector<std::string>& ports,
                const std::function<void(std::size_t, const std::string&)>& job,
                const std::function<void()>& meanwhile) {
    stopOnSignals();  // installed before the threads start, so that Ctrl+C reaches every one
    // QThreads rather than plain threads: the serial port watches its device through socket
    // notifiers, which Qt allows only on threads it started.
    std::vector<std::unique_ptr<QThread>> threads;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        threads.emplace_back(QThread::create([&job, &ports, i] { job(i, ports[i]); }));
        threads.back()->start();
    }
    if (meanwhile)
        meanwhile();
    for (const auto& thread : threads)
        thread->wait();
}

void showPagesRead(const std::string& port, const scale::Progress& progress) {
    if (progress.done % kReadLineEveryPages != 0)
        return;
    static std::mutex lines;
    std::lock_guard lock(lines);
    std::cerr << port << ": pages read " << progress.done << "/" << progress.total << "\n";
}

}  // namespace vantor::cli
