#include "simulation/FaultScript.h"

#include <algorithm>
#include <map>

#include "core/scale/NumberText.h"

namespace vantor::scale {

namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

constexpr FaultActionName kActions[] = {
    {"lose", FaultAction::Lose, "the command is carried out but not answered"},
    {"refuse", FaultAction::Refuse, "the command is answered with a refusal and not carried out"},
    {"corrupt", FaultAction::Corrupt,
     "a page read answers with a changed data byte; a page write stores a\nchanged byte but is "
     "acknowledged; an unlock answer is changed"},
    {"echo", FaultAction::WrongEcho, "a page read echoes a wrong address"},
    {"short", FaultAction::Short, "the reply is one byte short"},
    {"long", FaultAction::Long, "extra bytes follow the reply"},
    {"delay", FaultAction::Delay, "the reply starts ms milliseconds late (needs ms=M)"},
    {"hangup", FaultAction::HangUp, "the line goes dead when the command arrives"},
    {"power-cut", FaultAction::PowerCut,
     "the line goes dead and the simulator ends, its memory saved as it stood"},
};

const std::map<std::string_view, CommandKind> kCommands = {{"unlock", CommandKind::Unlock},
                                                           {"write", CommandKind::Write},
                                                           {"read", CommandKind::Read},
                                                           {"finish", CommandKind::Finish},
                                                           {"any", CommandKind::Any}};

FaultParse refuse(std::string error) {
    return {std::nullopt, std::move(error)};
}

}  // namespace

std::span<const FaultActionName> faultActions() {
    return kActions;
}

FaultParse parseFault(std::string_view text) {
    const auto parts = split(text, ':');
    if (parts.size() < 2)
        return refuse("expected ACTION:COMMAND[:key=value]...");
    Fault fault;
    const auto action = std::find_if(std::begin(kActions), std::end(kActions),
                                     [&](const FaultActionName& a) { return a.name == parts[0]; });
    if (action == std::end(kActions))
        return refuse("unknown fault action '" + std::string(parts[0]) + "'");
    fault.action = action->action;
    const auto command = kCommands.find(parts[1]);
    if (command == kCommands.end())
        return refuse("unknown command '" + std::string(parts[1]) + "'");
    fault.command = command->second;

    for (std::size_t i = 2; i < parts.size(); ++i) {
        const std::size_t eq = parts[i].find('=');
        if (eq == std::string_view::npos)
            return refuse("expected key=value, got '" + std::string(parts[i]) + "'");
        const std::string_view key = parts[i].substr(0, eq);
        const auto value = parseUnsignedNumber(parts[i].substr(eq + 1));
        if (!value)
            return refuse("'" + std::string(parts[i]) + "' needs a number");
        if (key == "nth" && *value >= 1 && *value <= 1'000'000) {
            fault.nth = static_cast<unsigned>(*value);
        } else if (key == "addr" && *value <= 0xFFFF) {
            fault.address = static_cast<std::uint16_t>(*value);
        } else if (key == "count" && *value >= 1 && *value <= 1'000'000) {
            fault.count = static_cast<unsigned>(*value);
        } else if (key == "ms" && *value <= 600'000) {
            fault.delay = std::chrono::milliseconds(*value);
        } else {
            return refuse("'" + std::string(parts[i]) + "' is not a valid setting");
        }
    }
    if (fault.nth != 0 && !fault.count)
        fault.count = 1;
    if (fault.action == FaultAction::Delay && fault.delay.count() == 0)
        return refuse("delay needs ms=M");
    return {fault, {}};
}

void FaultScript::add(const Fault& fault) {
    m_entries.push_back({fault});
}

std::vector<Fault> FaultScript::faultsFor(CommandKind command, std::optional<std::uint16_t> address) {
    std::vector<Fault> due;
    for (Entry& entry : m_entries) {
        const Fault& f = entry.fault;
        if (f.command != CommandKind::Any && f.command != command)
            continue;
        if (f.address && (!address || *f.address != *address))
            continue;
        ++entry.seen;
        if (f.nth != 0 && entry.seen < f.nth)
            continue;
        if (f.count && entry.fired >= *f.count)
            continue;
        ++entry.fired;
        due.push_back(f);
    }
    return due;
}

}  // namespace vantor::scale
