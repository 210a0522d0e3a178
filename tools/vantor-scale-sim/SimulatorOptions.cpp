#include "SimulatorOptions.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>

#include "core/app/CommandLine.h"
#include "core/scale/ScaleProtocol.h"
#include "core/scale/SerialNumber.h"

namespace vantor::sim {

namespace {

SimulatorArguments refuse(std::string error) {
    SimulatorArguments result;
    result.action = SimulatorArguments::Action::Refuse;
    result.error = std::move(error);
    return result;
}

constexpr unsigned kMaxEvery = 1'000'000;

std::optional<unsigned> parseCount(std::string_view text, unsigned max) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

// --byte-zero: "echo" (the command's own B4), "random", or one byte in hexadecimal.
std::optional<std::optional<Byte>> parseByteZero(std::string_view text) {
    if (text == "random")
        return std::optional<Byte>{};
    if (text == "echo")
        return std::optional<Byte>{scale::kReadPage};
    if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || text.size() > 2 || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return std::optional<Byte>{static_cast<Byte>(value)};
}

// The options that choose how the open parts of the answers are filled; "" when `name` is none of
// them, else an error or "ok".
std::string applyVariation(const std::string& name, std::string_view value, SimulatorOptions& options) {
    scale::VariationSettings& v = options.variations;
    if (name == "--byte-zero") {
        const auto byte = parseByteZero(value);
        if (!byte)
            return "--byte-zero takes echo, random or a byte in hexadecimal, got '" + std::string(value) +
                   "'";
        v.byteZero = *byte;
        return "ok";
    }
    if (name == "--seed") {
        const auto seed = parseCount(value, std::numeric_limits<std::uint32_t>::max());
        if (!seed)
            return "--seed takes a number from 0 to 4294967295, got '" + std::string(value) + "'";
        v.seed = *seed;
        options.seedGiven = true;
        return "ok";
    }
    unsigned* every = name == "--tails"           ? &v.tailEvery
                      : name == "--answer-finish" ? &v.finishEvery
                      : name == "--pieces"        ? &v.piecesEvery
                                                  : nullptr;
    if (!every)
        return "";
    const auto count = parseCount(value, kMaxEvery);
    if (!count)
        return name + " takes N, one reply in N (0 for none, 1 for all), got '" + std::string(value) + "'";
    *every = *count;
    return "ok";
}

// The ACTION lines of the help, from the parser's own table.
std::string faultActionsHelp() {
    constexpr std::size_t kNameWidth = 9;
    const std::string indent(11 + kNameWidth, ' ');
    std::string text;
    bool first = true;
    for (const scale::FaultActionName& action : scale::faultActions()) {
        std::string name(action.name);
        name.resize(std::max(kNameWidth - 1, name.size()), ' ');
        text += std::string(first ? "  ACTION   " : "           ") + name + ' ';
        first = false;
        for (const char c : action.help)
            text += c == '\n' ? "\n" + indent : std::string(1, c);
        text += '\n';
    }
    return text;
}

const app::CommandLineRules kRules = {{{"--serial", true},
                                       {"--memory", true},
                                       {"--fault", true},
                                       {"--byte-zero", true},
                                       {"--seed", true},
                                       {"--tails", true},
                                       {"--answer-finish", true},
                                       {"--pieces", true},
                                       {"--wire-timing"},
                                       {"--verbose"},
                                       {"--vary"},
                                       {"--help"},
                                       {"-h"},
                                       {"--version"}},
                                      true};

// One option and its value; "" when taken, else why the command line is refused.
std::string applyOption(const std::string& name, const std::string& value, SimulatorOptions& options) {
    if (name == "--wire-timing") {
        options.wireTiming = true;
    } else if (name == "--verbose") {
        options.verbose = true;
    } else if (name == "--vary") {
        const scale::VariationSettings mixed = scale::VariationSettings::mixed(options.variations.seed);
        options.variations.tailEvery = mixed.tailEvery;
        options.variations.finishEvery = mixed.finishEvery;
        options.variations.piecesEvery = mixed.piecesEvery;
    } else if (const std::string varied = applyVariation(name, value, options); !varied.empty()) {
        return varied == "ok" ? "" : varied;
    } else if (name == "--serial") {
        if (!scale::CheckSerial(value))
            return "--serial needs exactly 8 digits, got '" + value + "'";
        options.serial = value;
    } else if (name == "--memory") {
        if (value.empty())
            return "--memory needs a file name";
        options.memoryFile = value;
    } else {
        const scale::FaultParse fault = scale::parseFault(value);
        if (!fault.fault)
            return "--fault '" + value + "': " + fault.error;
        options.faults.push_back(*fault.fault);
    }
    return "";
}

std::string refusal(const app::CommandLine& line) {
    if (line.fault() == app::CommandLineFault::MissingValue)
        return line.faultOption() + " needs a value";
    if (line.faultWord() != line.faultOption())
        return line.faultOption() + " takes no value";
    return "unknown option '" + line.faultWord() + "' (see --help)";
}

}  // namespace

SimulatorArguments parseSimulatorArguments(std::span<const std::string_view> arguments) {
    const app::CommandLine line(std::vector<std::string>(arguments.begin(), arguments.end()), kRules);
    SimulatorArguments result;
    // Met in the order given: the first thing wrong is the one said.
    for (std::size_t i = 0; i < line.wordsBeforeFault(); ++i) {
        const app::CommandLineWord& word = line.words()[i];
        if (word.option.empty())
            return refuse("unknown option '" + word.text + "' (see --help)");
        if (word.option == "--help" || word.option == "-h") {
            result.action = SimulatorArguments::Action::Help;
            return result;
        }
        if (word.option == "--version") {
            result.action = SimulatorArguments::Action::Version;
            return result;
        }
        if (const std::string error = applyOption(word.option, word.text, result.options); !error.empty())
            return refuse(error);
    }
    if (line.fault() != app::CommandLineFault::None)
        return refuse(refusal(line));
    return result;
}

std::string simulatorHelp() {
    return R"(Usage: vantor-scale-sim [--serial NNNNNNNN] [--memory FILE] [--wire-timing] [--fault FAULT]...
                        [--byte-zero B] [--tails N] [--answer-finish N] [--pieces N] [--vary]
                        [--seed S] [--verbose] [--help] [--version]

A simulated Vantor scale on a pseudo-terminal. The first line printed is the device path to open
as the scale's serial port (for example /dev/pts/4). The scale answers the unlock, page write,
page read and finish commands until the program gets SIGINT (Ctrl+C) or SIGTERM.

Options:
  --serial NNNNNNNN  the scale's serial number, exactly 8 digits (default 12345678); it is
                     packed at 0x0700 of a fresh memory
  --memory FILE      keep the scale's memory in FILE: a FILE that exists at start (exactly
                     65,536 bytes) is the initial memory, and the memory is written back to
                     FILE when the program ends. Without it, a fresh memory is all FF with the
                     serial number at 0x0700, and nothing is kept
  --wire-timing      time the line as a real cable at 19200 baud (1,920 bytes a second): a
                     command counts only when its last byte would have arrived, and replies
                     are sent at that pace. Without it, replies are sent at once
  --fault FAULT      make the scale misbehave; may be given more than once (see below)
  --verbose          log one line per command on stderr, and the seed at start
  --help             show this text
  --version          show the version

How the scale answers: the protocol promises the first byte of an unlock or page-write reply (F0
acknowledges, anything else refuses), at least 131 bytes for a page read (bytes 1 and 2 repeat the
address, bytes 3 to 130 are the page), and nothing for Finish. The rest is the scale's own, and a
real scale may fill it any way; this one varies it:
  --byte-zero B      byte 0 of a page-read reply: random (the default: a new byte each reply),
                     echo (the command's own B4), or one byte in hexadecimal such as F0
  --tails N          one reply in N is followed by 1 to 4 random bytes (default 0: none)
  --answer-finish N  one Finish in N is answered with F0, which nobody awaits (default 0: none)
  --pieces N         one reply in N is sent in pieces of 1 to 62 bytes up to 16 ms apart, as a
                     USB serial adapter passes bytes on (default 0: every reply in one piece)
  --vary             all of them now and then: --tails 32 --answer-finish 2 --pieces 32
  --seed S           the seed of the random choices, to repeat a run (default: a new one at
                     each start)

Faults: ACTION:COMMAND[:key=value]...
)" + faultActionsHelp() +
           R"(  COMMAND  unlock, write, read, finish or any
  Keys     nth=N    start at the Nth matching command, counted from 1
           addr=A   only commands for the page at A (decimal or 0x hexadecimal)
           count=K  fire K times (default: once when nth is given, otherwise always)
           ms=M     the delay in milliseconds, up to 600000
  Examples:
    --fault lose:read:nth=1            the first page read is not answered
    --fault corrupt:read:addr=0x280    every read-back of page 0x0280 is changed
    --fault refuse:unlock:count=4      the first four unlocks are refused
    --fault delay:read:ms=4500:nth=1   the first page read is answered 4.5 s late
    --fault hangup:write:nth=100       the line goes dead at the 100th page write
    --fault power-cut:write:nth=301    the power fails as the 301st page write arrives

Exit status: 0 after a stop by signal, 1 when the pseudo-terminal or the memory file failed,
2 for bad options.
)";
}

}  // namespace vantor::sim
