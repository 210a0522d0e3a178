#include "FleetFlash.h"

#include <chrono>
#include <condition_variable>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>

#include "EachScale.h"
#include "ProgressLine.h"
#include "ScaleCommands.h"
#include "StopSignals.h"
#include "TablesCommands.h"
#include "core/firmware/FleetReport.h"
#include "core/firmware/ProgrammingRun.h"
#include "core/firmware/ScaleUpdate.h"
#include "core/firmware/TimeLeft.h"
#include "core/firmware/UpdateSentences.h"
#include "core/scale/ScaleLink.h"
#include "core/scale/SerialNumber.h"
#include "platform/firmware/HistoryFile.h"
#include "platform/firmware/JournalFile.h"
#include "platform/firmware/SleepInhibitor.h"
#include "platform/firmware/TablesBackupFile.h"
#include "platform/firmware/UpdateSetup.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::cli {

using namespace vantor::firmware;
using namespace vantor::scale;
using Clock = std::chrono::steady_clock;

namespace {

// How often the progress is drawn again; the runs themselves never wait for it.
constexpr std::chrono::milliseconds kRedraw{250};
// Pages between progress lines when stderr is no terminal.
constexpr std::size_t kLineEveryPages = 64;
constexpr int kStepsPerPhase = static_cast<int>(kPageCount / kLineEveryPages);

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// What the runs share with the thread that shows them: every field of every scale is read and
// written under the one mutex.
class Fleet {
public:
    explicit Fleet(const std::vector<std::string>& ports) {
        for (const std::string& port : ports) {
            m_scales.push_back({});
            m_scales.back().port = port;
        }
        m_running = m_scales.size();
    }

    template <class Change>
    void change(std::size_t index, Change change) {
        std::lock_guard lock(m_mutex);
        change(m_scales[index]);
    }

    void ended(std::size_t index, FleetScale final) {
        {
            std::lock_guard lock(m_mutex);
            final.phase = FleetPhase::Ended;
            m_scales[index] = std::move(final);
            --m_running;
        }
        m_changed.notify_all();
    }

    // Waits up to `period` or until every run has ended; a copy of the scales as they stand.
    std::vector<FleetScale> wait(std::chrono::milliseconds period, bool& allEnded) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, period, [this] { return m_running == 0; });
        allEnded = m_running == 0;
        return m_scales;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<FleetScale> m_scales;
    std::size_t m_running = 0;
};

// One scale's update, from opening its port to writing its tables back, on its own thread.
class OneScale {
public:
    OneScale(Fleet& fleet, std::size_t index, std::string port, const ImageBuffer& image, TablesChoice tables,
             QString updateFile)
        : m_fleet(fleet),
          m_index(index),
          m_image(image),
          m_tables(tables),
          m_updateFile(std::move(updateFile)) {
        m_final.port = std::move(port);
    }

    void operator()() {
        const Clock::time_point start = Clock::now();
        run();
        m_final.seconds = secondsSince(start);
        m_fleet.ended(m_index, m_final);
    }

    std::string notes() const { return m_notes.str(); }

private:
    void run() {
        SerialTransport transport;
        transport.setPortName(QString::fromStdString(m_final.port));
        if (const auto failure = transport.open()) {
            m_final.refusal = "the port cannot be opened: " + failure->detail.toStdString();
            return;
        }
        std::atomic<bool>& stop = stopOnSignals();
        transport.setCancelFlag(&stop);
        const std::shared_ptr<ScaleUpdate> set = firmware::setUpUpdate(
            {m_image, m_tables, tablesBackupFolder(), m_updateFile, {}, [this](const std::string& line) {
                 m_notes << line << "\n";
             }});
        ScaleUpdate& update = *set;
        UpdateAnswers answers(false);  // several scales at once: no question on the one terminal
        const firmware::SleepInhibitor awake(firmware::SleepInhibitor::Work::UpdatingSoftware);
        const UpdateReport report = update.run(
            transport, answers,
            [&](UpdateStep step, const Progress& progress) { show(update, step, progress); }, stop);
        m_final.serial = update.serial();
        note(report, update);
        if (!report.programming) {
            m_final.refusal = update_text::notStarted(report, update);
            return;
        }
        m_final.result = report.programming->result;
        m_final.tablesIncomplete = report.tablesIncomplete();
    }

    // Where the user's tables are, below the scale's line.
    void note(const UpdateReport& report, const firmware::ScaleUpdate& update) {
        const bool saved = update.backup() && update.backup()->saved();
        if (saved && !update.tablesFromEarlier())
            m_notes << "Tables saved to " << update.backup()->path << "\n";
        if (!report.programming || !report.programming->result.succeeded()) {
            if (report.programming && saved)
                m_notes << "The tables backup is " << update.backup()->path << "\n";
            return;
        }
        if (const std::string tables = update_text::tables(report, update); !tables.empty())
            m_notes << tables << "\n";
    }

    void show(const firmware::ScaleUpdate& update, UpdateStep step, const Progress& progress) {
        FleetPhase phase = FleetPhase::SavingTables;
        if (step == UpdateStep::WritingTablesBack)
            phase = FleetPhase::RestoringTables;
        else if (step == UpdateStep::Updating)
            phase = progress.phase == Phase::Verify ? FleetPhase::Verifying : FleetPhase::Writing;
        if (step == UpdateStep::Updating)
            m_final.progress = progress;  // where a stopped run stood
        const std::string serial = update.serial();
        m_fleet.change(m_index, [&](FleetScale& scale) {
            scale.serial = serial;
            scale.phase = phase;
            if (step == UpdateStep::Updating)
                scale.progress = progress;
        });
    }

    Fleet& m_fleet;
    std::size_t m_index;
    const ImageBuffer& m_image;
    TablesChoice m_tables;
    QString m_updateFile;
    FleetScale m_final;
    std::ostringstream m_notes;
};

// The progress on stderr: one line per scale redrawn in place on a terminal; otherwise a line
// whenever a scale has done another 64 pages of a phase.
class FleetProgress {
public:
    explicit FleetProgress(std::size_t scales)
        : m_timeLeft(scales), m_runStart(scales), m_lastLine(scales, -1), m_told(scales, false) {}

    void show(std::vector<FleetScale>& scales) {
        for (std::size_t i = 0; i < scales.size(); ++i) {
            estimate(i, scales[i]);
            tellFailure(i, scales[i]);
        }
        if (m_line.onTerminal())
            redraw(scales);
        else
            printMilestones(scales);
    }

private:
    // A scale that fails is said at once, not only when the last of the others has ended; the
    // scales' lines are drawn afresh below it.
    void tellFailure(std::size_t i, const FleetScale& scale) {
        if (scale.phase != FleetPhase::Ended || m_told[i])
            return;
        m_told[i] = true;
        if (const std::string line = failureLine(scale); !line.empty())
            m_line.line(line);
    }

    void estimate(std::size_t i, FleetScale& scale) {
        if (scale.phase != FleetPhase::Writing && scale.phase != FleetPhase::Verifying)
            return;
        // The pace is measured from the start of the scale's own run, as a single update measures
        // it: the tables saved before it, and the scales' start-up, are no part of it.
        if (!m_runStart[i])
            m_runStart[i] = Clock::now();
        if (auto left =
                m_timeLeft[i].update(runUnitsDone(scale.progress), kRunUnits, secondsSince(*m_runStart[i])))
            m_shownLeft[scale.port] = *left;
        scale.timeLeft = m_shownLeft[scale.port];
    }

    void redraw(const std::vector<FleetScale>& scales) {
        std::vector<std::string> lines;
        for (const FleetScale& scale : scales)
            lines.push_back(progressLine(scale));
        m_line.rewriteLines(lines);
    }

    void printMilestones(const std::vector<FleetScale>& scales) {
        for (std::size_t i = 0; i < scales.size(); ++i) {
            const FleetScale& scale = scales[i];
            if (scale.phase != FleetPhase::Writing && scale.phase != FleetPhase::Verifying)
                continue;
            const int step = static_cast<int>(scale.progress.done / kLineEveryPages) +
                             (scale.progress.phase == Phase::Verify ? kStepsPerPhase : 0);
            if (step == m_lastLine[i])
                continue;
            m_lastLine[i] = step;
            m_line.line(progressLine(scale));
        }
    }

    ProgressLine m_line;
    std::vector<TimeLeft> m_timeLeft;
    std::vector<std::optional<Clock::time_point>> m_runStart;
    std::map<std::string, std::string> m_shownLeft;
    std::vector<int> m_lastLine;
    std::vector<bool> m_told;
};

}  // namespace

int flashFleet(const ImageBuffer& image, const std::string& updateFile, const std::vector<std::string>& ports,
               TablesChoice tables) {
    std::cerr << "Updating " << ports.size() << " scales at once.\n";
    Fleet fleet(ports);
    std::vector<std::unique_ptr<OneScale>> updates;
    for (std::size_t i = 0; i < ports.size(); ++i)
        updates.push_back(std::make_unique<OneScale>(fleet, i, ports[i], image, tables,
                                                     QString::fromStdString(updateFile)));
    std::vector<FleetScale> scales;
    onEachPort(
        ports, [&](std::size_t i, const std::string&) { (*updates[i])(); },
        [&] {
            FleetProgress progress(ports.size());
            for (bool allEnded = false; !allEnded;) {
                scales = fleet.wait(kRedraw, allEnded);
                progress.show(scales);
            }
        });

    bool allVerified = true;
    for (std::size_t i = 0; i < scales.size(); ++i) {
        std::istringstream notes(updates[i]->notes());
        for (std::string line; std::getline(notes, line);)
            std::cerr << scales[i].port << ": " << line << "\n";
        std::cout << endLine(scales[i]) << "\n";
        allVerified = allVerified && updatedWhole(scales[i]);
    }
    return allVerified ? kSuccess : kScaleFailed;
}

}  // namespace vantor::cli
