#include "FirmwareCommands.h"

#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "DownloadCommands.h"
#include "EachScale.h"
#include "FleetFlash.h"
#include "PageCounter.h"
#include "ProgressLine.h"
#include "ScaleCommands.h"
#include "StopSignals.h"
#include "TablesCommands.h"
#include "Terminal.h"
#include "UpdateSource.h"
#include "core/firmware/IntelHexLoader.h"
#include "core/firmware/ProgrammingRun.h"
#include "core/firmware/ScaleUpdate.h"
#include "core/firmware/TimeLeft.h"
#include "core/firmware/UnfinishedText.h"
#include "core/firmware/UpdateSentences.h"
#include "core/firmware/UserTables.h"
#include "core/scale/DetectionRound.h"
#include "core/scale/PageWrite.h"
#include "core/scale/ScaleLink.h"
#include "core/scale/SerialNumber.h"
#include "platform/app/SerialNumberSetting.h"
#include "platform/app/WholeFile.h"
#include "platform/firmware/HistoryFile.h"
#include "platform/firmware/JournalFile.h"
#include "platform/firmware/SleepInhibitor.h"
#include "platform/firmware/TablesBackupFile.h"
#include "platform/firmware/UnfinishedUpdate.h"
#include "platform/firmware/UpdateSetup.h"
#include "platform/scale/DeviceLock.h"
#include "platform/scale/PortDiscovery.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::cli {

using namespace vantor::firmware;
using namespace vantor::scale;

namespace {

constexpr std::size_t kProgressLineEvery = 64;  // pages between progress lines when stderr is no terminal
constexpr std::size_t kBytesPerLine = 16;

// `shownName`: how the refusal names the file (the URL for a downloaded one).
std::optional<ImageBuffer> loadUpdateFile(const std::string& path, const std::string& shownName = {}) {
    HexLoad load = IntelHexLoader::loadFile(path);
    if (!load.image) {
        std::cerr << (shownName.empty() ? path : shownName) << ": " << load.error.message() << "\n";
        return std::nullopt;
    }
    return std::move(*load.image);
}

// Pages written, then pages verified: rewritten in place on a terminal, a line now and then otherwise.
class ProgressReport {
public:
    void show(const Progress& progress) {
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        if (auto left = m_timeLeft.update(runUnitsDone(progress), kRunUnits, elapsed))
            m_left = std::move(*left);
        line(progress.phase == Phase::Verify ? "verified" : "written", progress.done);
    }
    void done() { line("verified", kPageCount); }

private:
    void line(const char* what, std::size_t pages) {
        const std::string counted =
            std::string("Pages ") + what + ": " + std::to_string(pages) + "/" + std::to_string(kPageCount);
        if (m_line.onTerminal())
            m_line.rewrite(m_left.empty() ? counted : counted + ", " + m_left + " left");
        else if (pages % kProgressLineEvery == 0)
            m_line.line(counted);
    }

    ProgressLine m_line;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    TimeLeft m_timeLeft;
    std::string m_left;
};

// The run's pages as ProgressReport shows them, the tables' pages as a count of their own, and
// where the tables were saved as soon as the run begins.
class UpdateProgress {
public:
    explicit UpdateProgress(const ScaleUpdate& update) : m_update(update) {}

    void show(UpdateStep step, const Progress& progress) {
        if (step == UpdateStep::Updating)
            return showRun(progress);
        endRun();
        if (!m_tables || m_step != step)
            m_tables.emplace(step == UpdateStep::SavingTables ? "Tables read" : "Tables written");
        m_step = step;
        (*m_tables)(progress);
    }

    // After the update: a verified run's last line, when no write-back has drawn it already.
    void finish(const UpdateReport& report) {
        if (m_run && report.programming && report.programming->result.succeeded())
            m_run->done();
        m_run.reset();
        m_tables.reset();
    }

private:
    void showRun(const Progress& progress) {
        if (!m_run) {
            m_tables.reset();
            if (m_update.backup() && m_update.backup()->saved() && !m_update.tablesFromEarlier())
                std::cerr << "Tables saved to " << m_update.backup()->path << "\n";
            m_run.emplace();
        }
        m_run->show(progress);
    }

    // Only a verified run is followed by another step.
    void endRun() {
        if (!m_run)
            return;
        m_run->done();
        m_run.reset();
    }

    const ScaleUpdate& m_update;
    std::optional<ProgressReport> m_run;
    std::optional<PageCounter> m_tables;
    UpdateStep m_step = UpdateStep::SavingTables;
};

TablesChoice tablesChoice(const ParsedCommand& command) {
    // --keep-tables is what flash does anyway; it is still accepted.
    return command.has("erase-tables") ? TablesChoice::Erase : TablesChoice::Keep;
}

// The lines that end flash for one scale, and its exit status.
// `again`: the command that takes a stopped update up again.
int tellHowItEnded(const UpdateReport& report, const ScaleUpdate& update, const std::string& port,
                   const std::string& again) {
    if (!report.programming) {
        std::cerr << update_text::notStarted(report, update) << " (" << port << ")\n";
        if (report.declined && report.prepared != Prepared::TablesDiffer)
            std::cerr << "To update it without keeping its zone table and keys, use --erase-tables"
                      << (again == "resume" ? " with vantor-cli flash" : "") << ".\n";
        return kScaleFailed;
    }
    const OperationResult& result = report.programming->result;
    const bool backedUp = update.backup() && update.backup()->saved();
    const std::string backupHint = backedUp ? " The tables backup is " + update.backup()->path + "." : "";
    if (result.cancelled()) {
        std::cerr << "Stopped: the scale on " << port << " was not completely updated. " << describe(result)
                  << " Run " << again << " again"
                  << (backedUp ? "; the tables are in " + update.backup()->path : "") << ".\n";
        return kScaleFailed;
    }
    if (!result.succeeded()) {
        std::cerr << "The scale on " << port << ": " << update_text::runFailed(result) << backupHint << "\n";
        return kScaleFailed;
    }
    std::cout << "Scale " << result.serial << " on " << port << " updated: " << describe(result) << "\n";
    if (const std::string tables = update_text::tables(report, update); !tables.empty())
        std::cerr << tables << "\n";
    if (report.tablesIncomplete()) {
        if (update.backup() && update.backup()->saved())
            std::cerr << "Write them into the scale with: vantor-cli restore " << update.backup()->path
                      << "\n";
        return kScaleFailed;
    }
    return kSuccess;
}

int runUpdate(ScaleUpdate& update, SerialTransport& transport, const std::string& port,
              const std::string& again = "flash") {
    std::atomic<bool>& stop = stopOnSignals();
    transport.setCancelFlag(&stop);
    UpdateAnswers answers;
    UpdateProgress progress(update);
    const SleepInhibitor awake(SleepInhibitor::Work::UpdatingSoftware);
    const UpdateReport report = update.run(
        transport, answers, [&](UpdateStep step, const Progress& p) { progress.show(step, p); }, stop);
    progress.finish(report);
    return tellHowItEnded(report, update, port, again);
}

// A journal that is there but cannot be read: the update it tells of may not have finished, and
// where the user's tables are is the newest backup of that scale.
int reportDamagedJournal(const UnfinishedUpdate& unfinished) {
    std::cerr << unfinished_text::damagedJournalLine(unfinished.serial(), unfinished.found().problem,
                                                     unfinished.found().path.toStdString(),
                                                     unfinished.newestBackup())
              << "\n";
    return kScaleFailed;
}

// Finishes the unfinished update of the scale behind `transport`, from its journal: the journal's
// own copy of the update file, and the tables saved before the update began, never the region as
// the interrupted run left it (unless that is the tables, untouched).
int resumeOne(SerialTransport& transport, const std::string& port, bool yes) {
    transport.setCancelFlag(&stopOnSignals());
    const std::optional<std::string> serial = ReadCheckedSerial(transport);
    if (!serial) {
        std::cerr << "The scale on " << port << ": "
                  << describe(failedAt(Stage::SerialRead, Outcome::NoReply)) << "\n";
        return kScaleFailed;
    }
    const UnfinishedUpdate unfinished(*serial);
    if (unfinished.damaged())
        return reportDamagedJournal(unfinished);
    if (!unfinished.journal()) {
        std::cout << "Scale " << *serial << " on " << port << ": no unfinished update.\n";
        return kSuccess;
    }
    const UpdateJournal& journal = *unfinished.journal();
    if (const std::string problem = unfinished.imageProblem(); !problem.empty()) {
        const bool tablesKept = JournalFile::savedTables(journal).has_value();
        std::cerr << unfinished_text::cannotFinishLine(*serial, journal.started, problem,
                                                       tablesKept ? journal.backupFile : "")
                  << "\n";
        return kScaleFailed;
    }
    HexLoad load = IntelHexLoader::loadFile(journal.imageFile);
    if (!load.image) {
        std::cerr << journal.imageFile << ": " << load.error.message() << "\n";
        return kScaleFailed;
    }
    if (!askYesNo(unfinished_text::finishQuestionLine(*serial, port, journal.started, journal.imageFile),
                  yes))
        return kScaleFailed;
    const std::shared_ptr<ScaleUpdate> update =
        setUpUpdate({std::move(*load.image), TablesChoice::Keep, tablesBackupFolder(), {}, journal, {}});
    return runUpdate(*update, transport, port, "resume");
}

std::optional<std::uint32_t> addressArgument(const std::string& text, std::uint32_t limit, const char* what) {
    const auto value = parseCliNumber(text);
    if (!value || *value > limit) {
        std::cerr << what << " must be a number from 0 to " << limit << " (decimal or 0x hexadecimal), not '"
                  << text << "'.\n";
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*value);
}

void printDump(std::uint32_t address, const Bytes& bytes) {
    for (std::size_t offset = 0; offset < bytes.size(); offset += kBytesPerLine) {
        char label[16];
        std::snprintf(label, sizeof label, "%04X:", static_cast<unsigned>(address + offset));
        const std::size_t count = std::min(kBytesPerLine, bytes.size() - offset);
        std::cout << label << " " << toHex(std::span(bytes).subspan(offset, count), true) << "\n";
    }
}

}  // namespace

int imageCommand(const ParsedCommand& command) {
    const std::string serial =
        command.value("serial").value_or(app::SerialNumberSetting::read().toStdString());
    if (command.value("serial") && !CheckSerial(serial)) {
        std::cerr << "--serial must be exactly 8 digits, not '" << serial << "'.\n";
        return kBadInput;
    }
    const auto output = command.value("output");
    if (!output) {
        std::cerr << "image needs --output OUT: the file to write the 65,536-byte image to.\n";
        return kBadInput;
    }
    std::optional<ImageBuffer> image = loadUpdateFile(command.arguments.at(0));
    if (!image)
        return kBadInput;
    image->UpdateSN(serial);

    const auto bytes = image->bytes();
    if (const auto failure = app::saveWhole(QString::fromStdString(*output),
                                            {reinterpret_cast<const char*>(bytes.data()), bytes.size()})) {
        std::cerr << "Cannot write " << *output << ": " << *failure << "\n";
        return kBadInput;
    }
    return kSuccess;
}

int flashCommand(const ParsedCommand& command) {
    // The whole file is checked before the scale is even looked for; a download lives as long as
    // the command, so that the run journal can keep a copy of it.
    const UpdateSource source = loadUpdateSource(command.arguments.at(0));
    if (!source.image)
        return source.status;
    const std::optional<ImageBuffer>& image = source.image;
    const std::string& file = source.file;
    const ChosenPorts chosen = choosePorts(command);
    if (chosen.status != kSuccess)
        return chosen.status;
    if (chosen.several) {
        // Two names of one scale would be two runs writing it at once.
        if (const auto repeated = repeatedDevice(chosen.ports)) {
            std::cerr << "--port " << repeated->second << " is the same device as --port " << repeated->first
                      << "; give each scale once.\n";
            return kBadInput;
        }
        if (chosen.ports.empty())
            return kScaleFailed;
        return flashFleet(*image, file, chosen.ports, tablesChoice(command));
    }

    SerialTransport transport;
    const auto port = connectScale(command, transport);
    if (!port)
        return kScaleFailed;
    std::atomic<bool>& stop = stopOnSignals();
    transport.setCancelFlag(&stop);
    const std::shared_ptr<ScaleUpdate> update =
        setUpUpdate({*image,
                     tablesChoice(command),
                     tablesBackupFolder(),
                     QString::fromStdString(file),
                     {},
                     [](const std::string& line) { std::cerr << line << "\n"; }});
    const int status = runUpdate(*update, transport, *port);
    transport.close();
    return status;
}

int resumeCommand(const ParsedCommand& command) {
    const ChosenPorts chosen = choosePorts(command);
    if (chosen.status != kSuccess)
        return chosen.status;
    const std::vector<std::string>& ports = chosen.ports;
    if (ports.empty()) {
        SerialTransport transport;
        const auto port = connectScale(command, transport);
        if (!port)
            return kScaleFailed;
        return resumeOne(transport, *port, command.has("yes"));
    }
    int status = kSuccess;
    for (const std::string& port : ports) {
        SerialTransport transport;
        transport.setPortName(QString::fromStdString(port));
        if (const auto failure = transport.open()) {
            std::cerr << "Cannot open " << port << ": " << failure->detail.toStdString() << "\n";
            status = kScaleFailed;
            continue;
        }
        if (resumeOne(transport, port, command.has("yes")) != kSuccess)
            status = kScaleFailed;
    }
    return status;
}

int readCommand(const ParsedCommand& command) {
    const auto address = addressArgument(command.arguments.at(0), 0xFFFF, "ADDRESS");
    if (!address)
        return kBadInput;
    const std::uint32_t room = static_cast<std::uint32_t>(kMemorySize) - *address;
    std::uint32_t length = static_cast<std::uint32_t>(kPageSize);
    if (command.arguments.size() > 1) {
        const auto given = addressArgument(command.arguments[1], room, "LENGTH");
        if (!given)
            return kBadInput;
        length = *given;
    }
    if (length == 0)
        return kSuccess;

    SerialTransport transport;
    const auto port = connectScale(command, transport);
    if (!port)
        return kScaleFailed;

    transport.setCancelFlag(&stopOnSignals());
    const std::size_t pages = (length + kPageSize - 1) / kPageSize;
    PagesRead read = ReadPages(transport, *address, pages, {}, stopOnSignals(), inTablesRegion);
    if (!read.result.succeeded()) {
        std::cerr << "The scale on " << *port << ": " << describe(read.result) << "\n";
        return kScaleFailed;
    }
    Bytes memory(read.bytes.begin(), read.bytes.begin() + length);
    printDump(*address, memory);
    return kSuccess;
}

}  // namespace vantor::cli
