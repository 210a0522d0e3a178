#include "ui/firmware/frmDisplay.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <optional>

#include "core/firmware/IntelHexLoader.h"
#include "core/firmware/TablesMessages.h"
#include "core/firmware/UnfinishedText.h"
#include "core/firmware/UpdateSentences.h"
#include "core/scale/ScaleLink.h"
#include "core/scale/SerialNumber.h"
#include "platform/app/SerialNumberSetting.h"
#include "platform/firmware/FirmwareLog.h"
#include "platform/firmware/HistoryFile.h"
#include "platform/firmware/JournalFile.h"
#include "platform/firmware/SleepInhibitor.h"
#include "platform/firmware/UnfinishedUpdate.h"
#include "platform/firmware/UpdateSetup.h"
#include "platform/scale/PortDiscovery.h"
#include "platform/scale/ScalePort.h"
#include "ui/app/Controls.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"

namespace vantor::firmware {

using app::program;

namespace {

const QString kUpdateFile = QStringLiteral("VantorUSA_APROM.hex");
const QString kMessageTitle = QStringLiteral("Vantor PC Program");
constexpr int kQuarters = 4;

// The menu's two commands, with the chosen one marked.
struct PortCaptions {
    const char* comm1;
    const char* comm2;
};
constexpr PortCaptions kComm1Chosen{"-> COM1 <-", "   COM2   "};
constexpr PortCaptions kComm2Chosen{"   COM1   ", "-> COM2 <-"};

struct KindCaptions {
    const char* aprom;
    const char* ldrom;
};
constexpr KindCaptions kApromChosen{"->APROM<-", "  LDROM  "};
constexpr KindCaptions kLdromChosen{"  APROM  ", "->LDROM<-"};

QAction* namedAction(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu* namedMenu(QMenuBar* bar, const char* name, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

const QString kTimeLeftCaption = QStringLiteral("Estimated time left: ");

// The run's bar: the write fills its first half, the verify its second.
constexpr int kRunBarMax = 512;
constexpr int kVerifyBarBase = 256;

int runBarValue(const scale::Progress& progress) {
    const int half =
        static_cast<int>(progress.done * kVerifyBarBase / std::max<std::size_t>(progress.total, 1));
    return progress.phase == scale::Phase::Verify ? kVerifyBarBase + half : half;
}

std::filesystem::path toPath(const QString& file) {
    return std::filesystem::path(file.toStdU16String());
}

// The serial number of the scale on the port when it is not `expected`, the scale the update is
// for; nothing when it is that scale or gives no serial number.
std::optional<std::string> otherScaleOnPort(scale::ScaleTransport& transport, const std::string& expected) {
    const scale::SerialRead read = scale::RdSN(transport);
    if (!read.scaleCom || !scale::CheckSerial(read.serial) || read.serial == expected)
        return std::nullopt;
    return read.serial;
}

app::Message loadRefusal(const HexError& error) {
    return {QStringLiteral("Update File Refused"), QString::fromStdString(error.message()),
            app::Message::Icon::Exclamation, app::Message::Buttons::Ok};
}

// The system's words and ours alike end a box's sentence with one full stop.
QString sentence(const QString& text) {
    return text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.');
}

}  // namespace

frmDisplay::frmDisplay() {
    setWindowTitle(QStringLiteral("Vantor Scale Update"));

    // Shown once it has something to say; its place is kept from the start.
    lblStatus = app::makeCaption(this, "lblStatus", QStringLiteral(" "));
    lblStatus->setAccessibleName(QStringLiteral("Update status"));
    lblVersion = app::makeCaption(this, "lblVersion");
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(QStringLiteral("Programming progress"));
    ProgressBar1->setRange(0, kRunBarMax);
    lblTimeLeft = app::makeCaption(this, "lblTimeLeft", kTimeLeftCaption);
    lblKeepConnected = app::makeCaption(
        this, "lblKeepConnected",
        QStringLiteral("Do not unplug the scale or turn it off until the update is finished."));
    // The parts of a run keep their places while hidden: the window does not grow or move when a
    // run starts, shows its time left, or ends.
    for (QWidget* part :
         std::initializer_list<QWidget*>{lblStatus, ProgressBar1, lblTimeLeft, lblKeepConnected}) {
        app::keepPlaceWhenHidden(*part);
        part->setVisible(false);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 12, 24, 24);
    layout->addWidget(lblStatus);
    layout->addWidget(lblKeepConnected);
    layout->addWidget(ProgressBar1);
    layout->addWidget(lblTimeLeft);
    layout->addWidget(lblVersion);
    // The way on when the update stopped before anything was written: no window is a dead end.
    // Alt+R is the Run menu's.
    cmdRetry = app::makeButton(this, "cmdRetry", QStringLiteral("Re&try"));
    cmdRetry->setToolTip(QStringLiteral("Start the update again."));
    cmdExit = app::makeButton(this, "cmdExit", QStringLiteral("E&xit"));
    cmdExit->setToolTip(QStringLiteral("Quit PC Program. Scale will not be updated."));
    layout->addLayout(app::centredRow({cmdRetry, cmdExit}));
    showWayOn(false);
    connect(cmdRetry, &QPushButton::clicked, this, &frmDisplay::cmdRetry_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmDisplay::cmdExit_Click);
    setMinimumWidth(520);

    buildMenu();
    buildHiddenControls();
}

void frmDisplay::buildMenu() {
    auto* menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    layout()->setMenuBar(menuBar);

    mnuFile = namedMenu(menuBar, "mnuFile", QStringLiteral("&File"));
    mnuLoad = namedAction(mnuFile, "mnuLoad", QStringLiteral("&Load "));
    mnuFileExit = namedAction(mnuFile, "mnuFileExit", QStringLiteral("E&xit"));
    mnuRun = namedMenu(menuBar, "mnuRun", QStringLiteral("&Run"));
    mnuAuto = namedAction(mnuRun, "mnuAuto", QStringLiteral("&Auto"));
    mnuProgram = namedAction(mnuRun, "mnuProgram", QStringLiteral("&Program"));
    mnuRead = namedAction(mnuRun, "mnuRead", QStringLiteral("&Read"));
    mnuSelect = namedMenu(menuBar, "mnuSelect", QStringLiteral("&Select"));
    mnuAPROM = namedAction(mnuSelect, "mnuAPROM", QStringLiteral("APROM"));
    mnuLDROM = namedAction(mnuSelect, "mnuLDROM", QStringLiteral("LDROM"));
    mnuPort = namedMenu(menuBar, "mnuPort", QStringLiteral("&PC Port"));
    mnuComm1 = namedAction(mnuPort, "mnuComm1", QStringLiteral("COM1"));
    mnuComm2 = namedAction(mnuPort, "mnuComm2", QStringLiteral("COM2"));

    connect(mnuLoad, &QAction::triggered, this, [this] { mnuLoad_Click(); });
    connect(mnuFileExit, &QAction::triggered, this, &frmDisplay::mnuFileExit_Click);
    connect(mnuProgram, &QAction::triggered, this, &frmDisplay::Program_Click);
    connect(mnuAPROM, &QAction::triggered, this, &frmDisplay::mnuAPROM_Click);
    connect(mnuLDROM, &QAction::triggered, this, &frmDisplay::mnuLDROM_Click);
    connect(mnuComm1, &QAction::triggered, this, &frmDisplay::mnuComm1_Click);
    connect(mnuComm2, &QAction::triggered, this, &frmDisplay::mnuComm2_Click);
}

void frmDisplay::buildHiddenControls() {
    LoadHex = app::makeButton(this, "LoadHex", QStringLiteral("Load"));
    Program = app::makeButton(this, "Program", QStringLiteral("Program"));
    cmdRead = app::makeButton(this, "cmdRead", QStringLiteral("Read"));
    cmdPageUp = app::makeButton(this, "cmdPageUp", QStringLiteral("Page   up"));
    cmdPageDown = app::makeButton(this, "cmdPageDown", QStringLiteral("Page down"));
    APROM = new QRadioButton(QStringLiteral("APROM"), this);
    APROM->setObjectName(QStringLiteral("APROM"));
    LDROM = new QRadioButton(QStringLiteral("LDROM"), this);
    LDROM->setObjectName(QStringLiteral("LDROM"));
    Label1 = app::makeLabel(this, "Label1",
                            QStringLiteral("ADDR   0  1  2  3  4  5  6  7- 8  9  A  B  C  D  E  F "));
    for (QWidget* hidden : std::initializer_list<QWidget*>{LoadHex, Program, cmdRead, cmdPageUp, cmdPageDown,
                                                           APROM, LDROM, Label1})
        hidden->setVisible(false);

    connect(LoadHex, &QPushButton::clicked, this, &frmDisplay::LoadHex_Click);
    connect(Program, &QPushButton::clicked, this, &frmDisplay::Program_Click);
    connect(APROM, &QRadioButton::clicked, this, &frmDisplay::APROM_Click);
    connect(LDROM, &QRadioButton::clicked, this, &frmDisplay::LDROM_Click);
    connect(cmdPageUp, &QPushButton::clicked, this, [this] { movePageView(-1); });
    connect(cmdPageDown, &QPushButton::clicked, this, [this] { movePageView(+1); });
}

void frmDisplay::Form_Load() {
    app::applyLook(*this);
    lblVersion->setText(app::road().versionLine());
    app::fitToContents(*this);
    AskExit = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    ScaleSerial = app::SerialNumberSetting::read();
    // A new update: nothing of the last one's tables carries over, and it runs from the download
    // unless it finishes an unfinished one.
    m_update.reset();
    m_driver.reset();
    m_finishing.reset();
    showWayOn(false);
    resetImage();
    resetPageView();
    selectKind(ImageKind::Aprom);
}

void frmDisplay::Form_Unload(bool& cancel) {
    if (!AskExit)
        return;
    cancel = true;
    if (!m_running) {
        app::road().askToQuit(this);
        return;
    }
    // The run waits while the question is open: a Yes then ends the program between two
    // exchanges, not under a page being written, and a Cancel goes on where the run stood.
    scale::PauseGate& gate = scalePauseGate();
    QElapsedTimer waited;
    waited.start();
    gate.pause();
    app::road().askToQuitDuringUpdate(this);
    gate.resume();
    m_timeLeft.leaveOut(static_cast<double>(waited.elapsed()) / 1000.0);
}

void frmDisplay::showEvent(QShowEvent* event) {
    app::Form::showEvent(event);
    m_runOnActivation = true;
    // The window system may not activate a window it shows (focus rules differ between desktops);
    // being shown is what starts the run, whichever comes first.
    QMetaObject::invokeMethod(this, &frmDisplay::Form_Activate, Qt::QueuedConnection);
}

void frmDisplay::Form_Activate() {
    // An activation while a run is under way (the quit dialog answered No, say) is no new run, and
    // neither is one that only gives the focus back (a message box closed).
    if (!m_runOnActivation || m_running || !isVisible())
        return;
    m_runOnActivation = false;
    AutoProgram();
}

void frmDisplay::mnuFileExit_Click() {
    unload();
}

// --- The image ---

void frmDisplay::resetImage() {
    m_image.reset();
    m_image.UpdateSN(ScaleSerial.toStdString());
    m_imageLoaded = false;
}

bool frmDisplay::mnuLoad_Click() {
    if (m_running)
        return false;
    resetImage();
    const HexLoad load = IntelHexLoader::loadFile(toPath(updateFile()));
    if (!load.image) {
        showLoadRefusal(loadRefusal(load.error));
        return false;
    }
    m_image = *load.image;
    m_imageLoaded = true;
    if (m_image.kind() != ImageKind::None)
        selectKind(m_image.kind());
    m_image.UpdateSN(ScaleSerial.toStdString());
    resetPageView();
    return true;
}

void frmDisplay::showStatus(const QString& status) {
    lblStatus->setText(status);
    lblStatus->setVisible(true);
}

void frmDisplay::LoadHex_Click() {
    mnuLoad_Click();
}

std::optional<app::Message> frmDisplay::updateFileRefusal(const QString& file) {
    const HexLoad load = IntelHexLoader::loadFile(toPath(file));
    if (load.image)
        return std::nullopt;
    return loadRefusal(load.error);
}

void frmDisplay::showLoadRefusal(const app::Message& refusal) {
    showStatus(QStringLiteral("The update file cannot be used; nothing was sent to the scale."));
    program().dialogs().ask(this, refusal);
    showWayOn(true);
}

void frmDisplay::mnuAPROM_Click() {
    selectKind(ImageKind::Aprom);
}
void frmDisplay::APROM_Click() {
    selectKind(ImageKind::Aprom);
}
void frmDisplay::mnuLDROM_Click() {
    selectKind(ImageKind::Ldrom);
}
void frmDisplay::LDROM_Click() {
    selectKind(ImageKind::Ldrom);
}

// The selection is shown by the captions only; what is programmed is the image as loaded.
void frmDisplay::selectKind(ImageKind kind) {
    const KindCaptions& captions = kind == ImageKind::Ldrom ? kLdromChosen : kApromChosen;
    mnuAPROM->setText(QLatin1String(captions.aprom));
    mnuLDROM->setText(QLatin1String(captions.ldrom));
    APROM->setChecked(kind != ImageKind::Ldrom);
    LDROM->setChecked(kind == ImageKind::Ldrom);
}

void frmDisplay::resetPageView() {
    m_pageQuarter = 0;
    movePageView(0);
}

void frmDisplay::movePageView(int step) {
    m_pageQuarter = std::clamp(m_pageQuarter + step, 0, kQuarters - 1);
    cmdPageUp->setEnabled(m_pageQuarter > 0);
    cmdPageDown->setEnabled(m_pageQuarter < kQuarters - 1);
}

// --- The programming run ---

void frmDisplay::AutoProgram() {
    // Also when the form comes back after a failed run, which had let it go without asking.
    AskExit = true;
    showStatus(QStringLiteral("Updating scale with latest postage rates and services..."));
    if (mnuLoad_Click())
        Program_Click();
}

void frmDisplay::Program_Click() {
    if (m_running)
        return;
    if (!m_imageLoaded) {
        // The empty image would erase the scale's program; only a file that passed every check is sent.
        program().dialogs().ask(
            this, {kMessageTitle, QStringLiteral("Load the update file before programming the scale."),
                   app::Message::Icon::Exclamation, app::Message::Buttons::Ok});
        return;
    }
    // The tables are read once per update: a Retry after a failed run finds them already saved,
    // and the scale's copy may by then have been written over. The image is the one loaded now.
    if (!m_update || m_update->prepared() != Prepared::Ready)
        m_update = setUpUpdate(
            {m_image, TablesChoice::Keep, program().programFolder(), updateFile(), m_finishing, {}});
    else
        m_update->setImage(m_image);
    m_driver = std::make_shared<UpdateDriver>(*m_update);
    drive();
}

QString frmDisplay::updateFile() const {
    return m_finishing ? QString::fromStdString(m_finishing->imageFile) : program().programFile(kUpdateFile);
}

void frmDisplay::finishUnfinished(const UpdateJournal& journal) {
    load();
    m_finishing = journal;
    showForm();
}

bool frmDisplay::offerToFinish(QWidget* owner, const std::string& serial) {
    const UnfinishedUpdate unfinished(serial);
    if (unfinished.damaged()) {
        tellDamagedJournal(owner, unfinished);
        return false;
    }
    const std::optional<UpdateJournal>& journal = unfinished.journal();
    if (!journal)
        return false;
    if (unfinished.onlyTablesLeft()) {
        const app::Answer answer = program().dialogs().ask(
            owner,
            tables_text::declinedOffer(serial, unfinished_text::when(journal->started), journal->backupFile));
        if (answer == app::Answer::No) {
            unfinished.leaveTablesOut();
            return false;
        }
        if (answer != app::Answer::Yes)
            return false;  // asked again next time
    } else if (program().dialogs().ask(owner, unfinished_text::finishQuestion(serial, journal->started)) !=
               app::Answer::Yes) {
        return false;  // the journal stays: asked again next time
    }
    if (const std::string problem = unfinished.imageProblem(); !problem.empty()) {
        qCWarning(lcFirmware).noquote() << "unfinished update:" << QString::fromStdString(problem);
        program().dialogs().ask(owner, unfinished_text::cannotFinish());
        return false;
    }
    program().form<frmDisplay>().finishUnfinished(*journal);
    return true;
}

void frmDisplay::tellDamagedJournal(QWidget* owner, const UnfinishedUpdate& unfinished) {
    const JournalFile::Lookup& found = unfinished.found();
    qCWarning(lcFirmware).noquote() << "journal" << found.path
                                    << "cannot be read:" << QString::fromStdString(found.problem);
    program().dialogs().ask(
        owner, unfinished_text::damagedJournal(unfinished.serial(), found.problem, found.path.toStdString(),
                                               unfinished.newestBackup()));
}

bool frmDisplay::keepsTables() const {
    return m_update && m_update->tables() && holdsTables(*m_update->tables());
}

// The form follows the update's driver: a step runs on the scale worker, a question is asked
// here, and the end is shown.
void frmDisplay::drive() {
    while (!program().ended()) {
        const UpdateAction action = m_driver->next();
        if (action.kind == UpdateAction::Kind::Run)
            return runStep(action.step);
        if (action.kind == UpdateAction::Kind::Done)
            return finishUpdate(m_driver->report());
        ask(action);
    }
}

namespace {

SleepInhibitor::Work awakeFor(UpdateStep step) {
    return step == UpdateStep::WritingTablesBack ? SleepInhibitor::Work::WritingTablesBack
                                                 : SleepInhibitor::Work::UpdatingSoftware;
}

}  // namespace

void frmDisplay::runStep(UpdateStep step) {
    const std::atomic<bool>& cancel = scaleCancelFlag();
    scale::PauseGate& pause = scalePauseGate();
    const bool writingBack = step == UpdateStep::WritingTablesBack;
    const bool started = operateScale(
        [update = m_update, driver = m_driver, step, &cancel, &pause](scale::SerialTransport& transport,
                                                                      const scale::PortReadiness& port,
                                                                      const scale::ProgressSink& progress) {
            // Nothing meant for the update's scale reaches another one found where it was.
            if (port.otherScale) {
                driver->anotherScale(*port.otherScale);
                return step;
            }
            // Held on the worker, which runs the step, until the step has ended in any way.
            const SleepInhibitor awake(awakeFor(step));
            driver->run(step, transport, progress, cancel, &pause);
            // A refused unlock on a port whose scale was replugged: another scale may be answering
            // where this one was. Which one it is tells the user what to do.
            if (step == UpdateStep::Updating && driver->report().programming->result.unlockRefused())
                if (auto other = otherScaleOnPort(transport, update->serial()))
                    driver->anotherScale(std::move(*other));
            return step;
        },
        [this, writingBack](const scale::Progress& progress) {
            if (writingBack)
                ProgressBar1->setValue(static_cast<int>(progress.done));
            else
                showProgress(progress);
        },
        [this](UpdateStep ended) { stepEnded(ended); });
    if (writingBack)
        return started ? showWritingBack() : tablesNotBack("the scale link is busy.");
    if (!started) {
        setRunning(false);
        setHourglass(false);
        return;
    }
    if (m_running)
        return;  // the run after its preparation: the bar goes on
    qCInfo(lcFirmware) << "programming run started";
    showWayOn(false);
    setRunning(true);
    setHourglass(true);
    ProgressBar1->setRange(0, kRunBarMax);
    ProgressBar1->setValue(0);
    ProgressBar1->setVisible(true);
    m_showingTables = false;
    m_timeLeft = TimeLeft();
    m_runClock.start();
}

void frmDisplay::showWritingBack() {
    showStatus(QString::fromLatin1(tables_text::kRestoring));
    ProgressBar1->setRange(0, static_cast<int>(kTablesPages));
    ProgressBar1->setValue(0);
    ProgressBar1->setVisible(true);
    lblKeepConnected->setVisible(true);
    setHourglass(true);
}

void frmDisplay::stepEnded(UpdateStep step) {
    // The run follows its preparation at once, under the same bar.
    if (step == UpdateStep::SavingTables && m_driver->next().kind == UpdateAction::Kind::Run &&
        !program().ended())
        return runStep(m_driver->next().step);
    setRunning(false);
    lblTimeLeft->setVisible(false);
    setHourglass(false);
    if (step == UpdateStep::WritingTablesBack)
        ProgressBar1->setVisible(false);
    if (program().ended())
        return;
    const auto& programming = m_driver->report().programming;
    if (step == UpdateStep::Updating && programming && programming->result.succeeded())
        succeed();
    drive();
}

void frmDisplay::ask(const UpdateAction& action) {
    if (action.question == UpdateQuestion::WithoutTables)
        qCWarning(lcFirmware).noquote()
            << "tables not read:" << QString::fromStdString(describe(m_update->tablesRead()));
    else if (action.question == UpdateQuestion::WithoutBackupFile)
        qCWarning(lcFirmware).noquote()
            << "tables not saved:" << QString::fromStdString(m_update->backup()->error);
    app::Message question = app::boxOf(action.message);
    // The backup file is deep in the program's data folder: the box opens its folder.
    if (action.question == UpdateQuestion::WriteTablesBack && m_update->backup() &&
        m_update->backup()->saved())
        question.folder = QFileInfo(QString::fromStdString(m_update->backup()->path)).absolutePath();
    const app::Answer answer = program().dialogs().ask(this, question);
    m_driver->answer(answer == app::Answer::Yes  ? UpdateAnswer::Yes
                     : answer == app::Answer::No ? UpdateAnswer::No
                                                 : UpdateAnswer::None);
}

void frmDisplay::finishUpdate(const UpdateReport& report) {
    if (report.programming || report.prepared == Prepared::NoSerial || report.otherScale)
        return endRun(report);
    if (report.prepared == Prepared::NoJournal)
        return refuseWithoutJournal();
    if (report.declined)
        notUpdated();
    // Stopped before the run: nothing to say.
}

void frmDisplay::notUpdated(const std::optional<app::Message>& why) {
    ProgressBar1->setVisible(false);
    showStatus(QStringLiteral("The scale was not updated; nothing was written to it."));
    if (why)
        tell(*why);
    showWayOn(true);
    emit runEnded(scale::failedAt(scale::Stage::SerialRead, scale::Outcome::Cancelled));
}

void frmDisplay::refuseWithoutJournal() {
    qCWarning(lcFirmware).noquote() << "journal not written:"
                                    << QString::fromStdString(m_update->journalError());
    notUpdated(app::boxOf(update_text::noJournal(m_update->journalError())));
}

void frmDisplay::endRun(const UpdateReport& report) {
    ScaleProgramming programming;
    if (report.programming)
        programming = *report.programming;
    else
        programming.result =
            scale::failedAt(scale::Stage::SerialRead,
                            report.otherScale ? scale::Outcome::PortFailed : scale::Outcome::NoReply);
    programming.otherScale = report.otherScale;
    qCInfo(lcFirmware).noquote() << "programming run ended:"
                                 << QString::fromStdString(describe(programming.result));
    const scale::OperationResult& result = programming.result;
    if (!result.serial.empty())
        ScaleSerial = QString::fromStdString(result.serial);
    ScaleCom = programming.scaleCom();
    if (result.succeeded()) {
        afterUpdateTables(report);
    } else if (result.cancelled()) {
        // The user or the program stopped it: nothing to say.
    } else if (programming.otherScale) {
        reportOtherScale(QString::fromStdString(*programming.otherScale));
        failureExit();
    } else if (result.unlockRefused()) {
        refuseSerialNumber();
    } else {
        failureExit();
    }
    emit runEnded(result);
}

void frmDisplay::showTablesProgress(std::size_t done, std::size_t total) {
    if (!m_running)
        return;
    if (!m_showingTables) {
        m_showingTables = true;
        showStatus(QString::fromLatin1(tables_text::kSaving));
        ProgressBar1->setRange(0, static_cast<int>(total));
    }
    ProgressBar1->setValue(static_cast<int>(done));
}

void frmDisplay::setRunning(bool running) {
    m_running = running;
    lblKeepConnected->setVisible(running);
    // Nothing of the menu may change what the run writes, or where, while it goes on.
    for (QAction* action : {mnuLoad, mnuAuto, mnuProgram, mnuRead, mnuAPROM, mnuLDROM, mnuComm1, mnuComm2})
        action->setEnabled(!running);
    for (QPushButton* button : {LoadHex, Program})
        button->setEnabled(!running);
}

void frmDisplay::showProgress(const scale::Progress& progress) {
    if (progress.phase == scale::Phase::Read)
        showTablesProgress(progress.done, progress.total);
    else
        showRunProgress(runBarValue(progress), runUnitsDone(progress));
}

void frmDisplay::showRunProgress(int value, std::size_t unitsDone) {
    if (!m_running)
        return;
    if (m_showingTables) {
        // The run proper begins: its own words, its own bar, and the pace measured from here.
        m_showingTables = false;
        showStatus(QStringLiteral("Updating scale with latest postage rates and services..."));
        ProgressBar1->setRange(0, kRunBarMax);
        m_timeLeft = TimeLeft();
        m_runClock.start();
    }
    ProgressBar1->setValue(value);
    if (const auto left =
            m_timeLeft.update(unitsDone, kRunUnits, static_cast<double>(m_runClock.elapsed()) / 1000.0)) {
        lblTimeLeft->setText(kTimeLeftCaption + QString::fromStdString(*left));
        lblTimeLeft->setVisible(true);
    }
}

void frmDisplay::showWayOn(bool shown) {
    cmdRetry->setVisible(shown);
    cmdExit->setVisible(shown);
    if (shown) {
        app::growToFit(*this);
        cmdRetry->setFocus(Qt::OtherFocusReason);
    }
}

void frmDisplay::cmdRetry_Click() {
    if (m_running)
        return;
    showWayOn(false);
    AutoProgram();
}

void frmDisplay::cmdExit_Click() {
    AskExit = true;
    unload();
}

void frmDisplay::succeed() {
    ProgressBar1->setVisible(false);
    // The copy the downloader put into the program folder; a file already gone is no error. The
    // journal's own copy goes with the journal.
    if (!m_finishing)
        QFile::remove(program().programFile(kUpdateFile));
}

// The update is done whatever happens here: the user is told where the tables are, and the final
// screen follows.
void frmDisplay::afterUpdateTables(const UpdateReport& report) {
    switch (report.tablesAfter) {
        case TablesAfterUpdate::Nothing:
            if (const auto& older = m_update->blankButBackedUp())
                tell(app::boxOf(tables_text::blankButBackedUp(*older)));
            break;
        case TablesAfterUpdate::FileBringsTables:
            tell(app::boxOf(tables_text::fileBringsTables(m_update->tablesWhere())));
            break;
        case TablesAfterUpdate::OfferRestore:
            return tablesWrittenBack(report);
    }
    showFinalScreen();
}

void frmDisplay::tablesWrittenBack(const UpdateReport& report) {
    if (report.otherScale)
        return tablesNotBack("another scale (serial number " + *report.otherScale + ") is connected now.");
    if (!report.writeBack)
        return showFinalScreen(QString::fromStdString(tables_text::notInScale(m_update->tablesWhere())));
    const scale::OperationResult& written = *report.writeBack;
    qCInfo(lcFirmware).noquote() << "tables written back:" << QString::fromStdString(describe(written));
    if (!written.succeeded())
        return tablesNotBack(describe(written));
    tell(app::boxOf(tables_text::restored()));
    showFinalScreen();
}

void frmDisplay::tablesNotBack(const std::string& reason) {
    setHourglass(false);
    ProgressBar1->setVisible(false);
    lblKeepConnected->setVisible(false);
    tell(app::boxOf(tables_text::notRestored(reason, m_update->tablesWhere())));
    showFinalScreen(QString::fromStdString(tables_text::notInScale(m_update->tablesWhere())));
}

void frmDisplay::tell(const app::Message& message) {
    program().dialogs().ask(this, message);
}

void frmDisplay::showFinalScreen(const QString& tablesNote) {
    AskExit = false;
    unload();
    app::road().updateFinished(tablesNote);
}

// The form stays with its progress bar, so the user sees how far the run came.
void frmDisplay::refuseSerialNumber() {
    setHourglass(false);
    program().dialogs().ask(this, {kMessageTitle, QStringLiteral("Serial number wrong"),
                                   app::Message::Icon::None, app::Message::Buttons::Ok});
    showWayOn(true);
}

// The scale came back under another port with another serial number: the image was meant for the
// first scale, so nothing is written until that one is connected again.
void frmDisplay::reportOtherScale(const QString& serial) {
    program().dialogs().ask(
        this, {kMessageTitle,
               QStringLiteral("Another scale (serial number %1) is connected now. Connect the scale that was "
                              "being updated, then click Retry.")
                   .arg(serial),
               app::Message::Icon::Exclamation, app::Message::Buttons::Ok});
}

void frmDisplay::failureExit() {
    ScaleCom = false;
    setHourglass(false);
    app::road().updateFailed();
    AskExit = false;
    hide();
}

// --- The port ---

void frmDisplay::mnuComm1_Click() {
    mnuComm1->setText(QLatin1String(kComm1Chosen.comm1));
    mnuComm2->setText(QLatin1String(kComm1Chosen.comm2));
    selectPort(0);
}

void frmDisplay::mnuComm2_Click() {
    mnuComm1->setText(QLatin1String(kComm2Chosen.comm1));
    mnuComm2->setText(QLatin1String(kComm2Chosen.comm2));
    selectPort(1);
}

// COM1 and COM2 are the names the items carry, and on Windows the ports they open. Elsewhere ports
// have other names: the first and second the system lists stand for them.
void frmDisplay::selectPort(std::size_t index) {
#ifdef Q_OS_WIN
    TogglePort(QStringLiteral("COM%1").arg(index + 1));
#else
    const std::vector<std::string> ports = scale::EnumPorts();
    if (index >= ports.size()) {
        showPortError(QStringLiteral("COM%1 is not present on this computer.").arg(index + 1));
        return;
    }
    TogglePort(QString::fromStdString(ports[index]));
#endif
}

void frmDisplay::TogglePort(const QString& portName) {
    runOnScale(
        [portName](scale::SerialTransport& transport) -> std::optional<QString> {
            transport.close();
            transport.setPortName(portName);
            if (const auto failure = transport.open())
                return failure->detail;
            return std::nullopt;
        },
        [this, portName](std::optional<QString> failure) {
            if (failure && !program().ended())
                showPortError(QStringLiteral("Cannot open %1: %2").arg(portName, sentence(*failure)));
        });
}

void frmDisplay::showPortError(const QString& description) {
    program().dialogs().ask(
        this, {kMessageTitle, description, app::Message::Icon::Exclamation, app::Message::Buttons::Ok});
}

bool frmDisplay::RdSN(std::function<void(QString)> done) {
    return operateScale(scale::readSerialNumber, [this, done = std::move(done)](scale::SerialRead read) {
        ScaleCom = read.scaleCom;
        done(QString::fromStdString(read.serial));
    });
}

}  // namespace vantor::firmware
