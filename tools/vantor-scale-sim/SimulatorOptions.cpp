#include "SimulatorOptions.h"

#include <utility>

#include "core/scale/SerialNumber.h"

namespace vantor::sim {

namespace {

SimulatorArguments refuse(std::string error) {
    SimulatorArguments result;
    result.action = SimulatorArguments::Action::Refuse;
    result.error = std::move(error);
    return result;
}

// Walks the arguments, handing out an option's value from "--name=value" or the next argument.
class ArgumentCursor {
public:
    explicit ArgumentCursor(std::span<const std::string_view> arguments) : m_arguments(arguments) {}

    bool atEnd() const { return m_index >= m_arguments.size(); }

    // The option's name; a value written after '=' is kept for value().
    std::string_view next() {
        std::string_view argument = m_arguments[m_index++];
        m_inlineValue.reset();
        const std::size_t eq = argument.find('=');
        if (argument.starts_with("--") && eq != std::string_view::npos) {
            m_inlineValue = argument.substr(eq + 1);
            argument = argument.substr(0, eq);
        }
        return argument;
    }

    bool hasInlineValue() const { return m_inlineValue.has_value(); }

    std::optional<std::string_view> value() {
        if (m_inlineValue)
            return std::exchange(m_inlineValue, std::nullopt);
        if (atEnd())
            return std::nullopt;
        return m_arguments[m_index++];
    }

private:
    std::span<const std::string_view> m_arguments;
    std::size_t m_index = 0;
    std::optional<std::string_view> m_inlineValue;
};

}  // namespace

SimulatorArguments parseSimulatorArguments(std::span<const std::string_view> arguments) {
    SimulatorArguments result;
    SimulatorOptions& options = result.options;
    ArgumentCursor cursor(arguments);
    while (!cursor.atEnd()) {
        const std::string name(cursor.next());
        const bool takesValue = name == "--serial" || name == "--memory" || name == "--fault";
        if (!takesValue && cursor.hasInlineValue())
            return refuse(name + " takes no value");
        if (name == "--help" || name == "-h") {
            result.action = SimulatorArguments::Action::Help;
            return result;
        }
        if (name == "--version") {
            result.action = SimulatorArguments::Action::Version;
            return result;
        }
        if (name == "--wire-timing") {
            options.wireTiming = true;
            continue;
        }
        if (name == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (!takesValue)
            return refuse("unknown option '" + name + "' (see --help)");

        const auto value = cursor.value();
        if (!value)
            return refuse(name + " needs a value");
        if (name == "--serial") {
            if (!scale::CheckSerial(*value))
                return refuse("--serial needs exactly 8 digits, got '" + std::string(*value) + "'");
            options.serial = std::string(*value);
        } else if (name == "--memory") {
            if (value->empty())
                return refuse("--memory needs a file name");
            options.memoryFile = std::string(*value);
        } else {
            const scale::FaultParse fault = scale::parseFault(*value);
            if (!fault.fault)
                return refuse("--fault '" + std::string(*value) + "': " + fault.error);
            options.faults.push_back(*fault.fault);
        }
    }
    return result;
}

std::string simulatorHelp() {
    return R"(Usage: vantor-scale-sim [--serial NNNNNNNN] [--memory FILE] [--wire-timing] [--fault FAULT]...
                        [--verbose] [--help] [--version]

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
  --verbose          log one line per command on stderr
  --help             show this text
  --version          show the version

Faults: ACTION:COMMAND[:key=value]...
  ACTION   lose     the command is carried out but not answered
           refuse   the command is answered with a refusal and not carried out
           corrupt  a page read answers with a changed data byte; a page write stores a
                    changed byte but is acknowledged; an unlock answer is changed
           echo     a page read echoes a wrong address
           short    the reply is one byte short
           long     extra bytes follow the reply
           delay    the reply starts ms milliseconds late (needs ms=M)
           hangup   the line goes dead when the command arrives
           power-cut the line goes dead and the simulator ends, its memory saved as it stood
  COMMAND  unlock, write, read, finish or any
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
