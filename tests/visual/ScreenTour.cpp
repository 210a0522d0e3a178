#include "ScreenTour.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <algorithm>

#include "ScreenDialogs.h"
#include "Shooter.h"
#include "core/firmware/ProgrammingRun.h"
#include "core/scale/DetectionRound.h"
#include "platform/scale/AccessRemedy.h"
#include "support/FakeDesktop.h"
#include "support/RecordingOnlineChecks.h"
#include "support/ScriptedHttpServer.h"
#include "support/SimulatorProcess.h"
#include "ui/app/ClickableLabel.h"
#include "ui/app/Program.h"
#include "ui/app/frmCheckScale.h"
#include "ui/app/frmDownload.h"
#include "ui/app/frmHelp.h"
#include "ui/app/frmNotConnected.h"
#include "ui/app/frmStartUp.h"
#include "ui/app/frmSuccess.h"
#include "ui/app/frmSuccessUpdate.h"
#include "ui/app/frmVersion.h"
#include "ui/app/frmWelcome.h"
#include "ui/firmware/frmDisplay.h"
#include "ui/keys/frmProgramKey.h"
#include "ui/keys/frmZipKey.h"
#include "ui/scale/frmChoosePort.h"
#include "ui/scale/frmErrorScaleCom.h"
#include "ui/scale/frmErrorScaleCom2.h"
#include "ui/zones/frmProgramZip.h"

namespace vantor::test {

using app::Answer;

namespace {

const QString kFixtures = QStringLiteral(VANTOR_FIXTURES_DIR);
const QString kUpdateFileName = QStringLiteral("VantorUSA_APROM.hex");
// The scale's whole program run against the simulator may take this long under the sanitizers.
constexpr int kRunWaitMs = 60000;
// A range of the key table as the user types it: maximum weight and rate.
struct Range {
    const char* maxWeight;
    const char* rate;
};
constexpr Range kRanges[] = {{"1", "0.73"}, {"2", "1.00"}, {"3", "1.27"},
                             {"4", "1.54"}, {"8", "2.50"}, {"13", "3.80"}};

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

ScreenTour::ScreenTour(Shooter& shooter) : m_shooter(shooter) {}

ScreenTour::~ScreenTour() {
    m_program.reset();
    if (m_simulator)
        m_simulator->stop();
}

bool ScreenTour::run() {
    isolate();
    startProgram();
    splashAndErrorForms();
    choosePortToMenu();
    menuStates();
    versionWindow();
    help();
    keyForm();
    zoneForm();
    linkForm();
    downloadMidway();
    updateRun();
    refusedUpdateFile();
    if (!m_dialogs->allScriptUsed())
        m_shooter.fail(QStringLiteral("scripted message boxes or forms were never shown"));
    return m_ok && m_shooter.failures().isEmpty();
}

bool ScreenTour::waitFor(const std::function<bool()>& condition, const QString& what, int ms) {
    if (QTest::qWaitFor(condition, ms))
        return true;
    m_shooter.fail(QStringLiteral("gave up waiting for ") + what);
    m_ok = false;
    return false;
}

void ScreenTour::click(QWidget& form, const char* name) {
    auto* button = form.findChild<QPushButton*>(QLatin1String(name));
    if (!button) {
        m_shooter.fail(QStringLiteral("no button %1 on %2").arg(QLatin1String(name), form.objectName()));
        return;
    }
    button->click();
}

// Settings and program files in temporary folders; the simulator is the only scale port.
void ScreenTour::isolate() {
    m_environment.set("XDG_CONFIG_HOME", m_config.path().toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    m_environment.set("XDG_DATA_HOME", m_data.path().toUtf8());
    m_simulator = std::make_unique<SimulatorProcess>(std::vector<std::string>{
        "--serial", "12345678", "--memory", m_scale.filePath(QStringLiteral("scale.bin")).toStdString()});
    m_environment.set("VANTOR_ONLY_PORTS", QByteArray::fromStdString(m_simulator->devicePath()));
    serveDownloads();
}

// A missing file is answered 404; a broken one gets the head and part of the body before the
// connection closes; any other gets the head at once and then only the body bytes the tour
// releases, so that the window can be caught part way through a real transfer.
void ScreenTour::serveDownloads() {
    const QByteArray file = readFile(kFixtures + QStringLiteral("/hex/sample-update.hex"));
    m_server = std::make_unique<ScriptedHttpServer>(
        file, ScriptedHttpServer::Behaviour{.ignoreRange = true, .paused = true});
    m_server->behaveOn("/missing.hex", {.status = 404, .reason = "Not Found"});
    m_server->behaveOn("/broken.hex",
                       {.cutAfter = file.size() * 2 / 5, .ignoreRange = true, .closeAtCut = true});
}

void ScreenTour::startProgram() {
    auto dialogs = std::make_unique<ScreenDialogs>(m_shooter);
    auto desktop = std::make_unique<FakeDesktop>();
    m_dialogs = dialogs.get();
    m_desktop = desktop.get();
    m_program = std::make_unique<app::Program>(app::Program::Services{
        std::move(dialogs), std::move(desktop), std::make_unique<RecordingOnlineChecks>()});
    // The tour ends the program itself; an exit on the way is only recorded.
    m_program->setExitHandler([] {});
}

// Forms whose later steps need the Internet check or a failing scale: shown as they first appear.
void ScreenTour::splashAndErrorForms() {
    auto& splash = m_program->form<app::frmStartUp>();
    splash.showForm();
    splash.Timer1.stop();
    m_shooter.shoot(splash, QStringLiteral("frmStartUp-splash"));
    splash.endSilently();

    auto& offline = m_program->form<app::frmNotConnected>();
    offline.showForm();
    m_shooter.shoot(offline, QStringLiteral("frmNotConnected-initial"));
    offline.endSilently();

    auto& lostScale = m_program->form<scale::frmErrorScaleCom>();
    lostScale.showForm();
    m_shooter.shoot(lostScale, QStringLiteral("frmErrorScaleCom-initial"));
    lostScale.endSilently();

    auto& noScale = m_program->form<scale::frmErrorScaleCom2>();
    noScale.showForm();
    m_shooter.shoot(noScale, QStringLiteral("frmErrorScaleCom2-initial"));
    // As detection leaves it when the system refused a port for lack of permission.
    scale::DetectionResult refused;
    refused.refused.push_back({"/dev/ttyUSB0", scale::PortProblem::PermissionDenied, "Permission denied"});
    noScale.setAccessHint(QString::fromStdString(scale::accessHint(refused, scale::accessDeniedRemedy())));
    m_shooter.shoot(noScale, QStringLiteral("frmErrorScaleCom2-access-hint"));
    noScale.setAccessHint(QString());
    noScale.endSilently();
}

void ScreenTour::choosePortToMenu() {
    auto& menu = m_program->form<app::frmWelcome>();
    // The version window is shown later by the tour itself, not by the menu's timer.
    menu.UpdateShown = true;
    auto& choose = m_program->form<scale::frmChoosePort>();
    choose.showForm();
    m_shooter.shoot(choose, QStringLiteral("frmChoosePort-initial"));
    click(choose, "cmdContinue");
    m_shooter.shootNow(choose, QStringLiteral("frmChoosePort-checking"));
    waitFor([&] { return menu.isVisible(); }, QStringLiteral("the main menu after detection"));
}

void ScreenTour::menuStates() {
    auto& menu = m_program->form<app::frmWelcome>();
    m_shooter.shoot(menu, QStringLiteral("frmWelcome-menu"));
    // As the update check leaves it when the server has a scale software update.
    menu.ImgBanner->setVisible(true);
    m_shooter.shoot(menu, QStringLiteral("frmWelcome-banner"));
    menu.ImgBanner->setVisible(false);

    m_dialogs->onModal(QStringLiteral("frmQuit-quit"), ScreenDialogs::click(QStringLiteral("cmdCancel")));
    click(menu, "cmdExit");

    // The manual cannot be opened: no program for PDF files.
    m_desktop->openResult = app::Desktop::kNoAssociation;
    m_dialogs->expect(QStringLiteral("frmWelcome-msg-download-error"));
    click(menu, "cmdDownload");
    m_desktop->openResult = app::Desktop::kOpened;
}

// As the version check leaves it when the server names a newer PC program.
void ScreenTour::versionWindow() {
    auto& version = m_program->form<app::frmVersion>();
    version.load();
    version.lblProg->setText(m_program->form<app::frmStartUp>().VersionNum);
    version.lblLatest->setText(QStringLiteral("Version 3.1"));
    version.offer();
    m_shooter.shoot(version, QStringLiteral("frmVersion-newer"));
    m_dialogs->onModal(QStringLiteral("frmQuit-decline-new-version"),
                       ScreenDialogs::click(QStringLiteral("cmdCancel")));
    click(version, "cmdExit");
    version.AskExit = false;
    version.unload();
}

void ScreenTour::help() {
    auto& menu = m_program->form<app::frmWelcome>();
    click(menu, "cmdHelp");
    auto& help = m_program->form<app::frmHelp>();
    m_shooter.shoot(help, QStringLiteral("frmHelp-initial"));
    click(help, "cmdClose");
}

void ScreenTour::keyForm() {
    auto& menu = m_program->form<app::frmWelcome>();
    m_dialogs->onModal(QStringLiteral("frmZipKey-initial"), ScreenDialogs::click(QStringLiteral("cmdKey")));
    click(menu, "cmdProgZip");
    auto& key = m_program->form<keys::frmProgramKey>();
    m_shooter.shoot(key, QStringLiteral("frmProgramKey-empty"));

    key.cboKeyNum->setCurrentIndex(1);
    for (const Range& range : kRanges) {
        key.txtMaxWt->setText(QLatin1String(range.maxWeight));
        key.txtRate->setText(QLatin1String(range.rate));
        click(key, "cmdAdd");
    }
    m_shooter.shoot(key, QStringLiteral("frmProgramKey-table"));

    m_dialogs->expect(QStringLiteral("frmProgramKey-msg-zero-rate"));
    key.txtMaxWt->setText(QStringLiteral("16"));
    key.txtRate->setText(QStringLiteral("0"));
    click(key, "cmdAdd");
    m_dialogs->expect(QStringLiteral("frmProgramKey-msg-numbers-only"));
    key.txtRate->setText(QStringLiteral("4,5O"));
    click(key, "cmdAdd");
    m_dialogs->expect(QStringLiteral("frmProgramKey-msg-max-below-min"));
    key.txtMaxWt->setText(QStringLiteral("10"));
    key.txtRate->setText(QStringLiteral("4.00"));
    click(key, "cmdAdd");

    // The key check runs on the scale; the question before writing is declined.
    bool ended = false;
    const auto connection = QObject::connect(&key, &keys::frmProgramKey::runEnded, [&] { ended = true; });
    m_dialogs->expect(QStringLiteral("frmProgramKey-msg-confirm"), Answer::No);
    click(key, "cmdProgram");
    waitFor([&] { return ended; }, QStringLiteral("the key check"));
    QObject::disconnect(connection);
    click(key, "cmdClose");
}

void ScreenTour::zoneForm() {
    auto& menu = m_program->form<app::frmWelcome>();
    m_dialogs->onModal(QString(), ScreenDialogs::click(QStringLiteral("cmdZip")));
    click(menu, "cmdProgZip");
    auto& zip = m_program->form<zones::frmProgramZip>();
    m_shooter.shoot(zip, QStringLiteral("frmProgramZip-empty"));

    m_dialogs->expect(QStringLiteral("frmProgramZip-msg-no-data"));
    click(zip, "cmdProgram");
    m_desktop->clipboard = QStringLiteral("Zone Chart\n3-digit ZIP Code prefix is 004\n005 4\n");
    click(zip, "cmdPaste");
    m_dialogs->expect(QStringLiteral("frmProgramZip-msg-invalid-data"));
    click(zip, "cmdProgram");
    click(zip, "cmdPaste");  // Clear

    m_desktop->clipboard = QString::fromUtf8(readFile(kFixtures + QStringLiteral("/zones/chart-606.txt")));
    click(zip, "cmdPaste");
    m_dialogs->expect(QStringLiteral("frmProgramZip-msg-confirm"), Answer::No);
    click(zip, "cmdProgram");
    m_shooter.shoot(zip, QStringLiteral("frmProgramZip-chart"));
    click(zip, "cmdClose");
}

void ScreenTour::linkForm() {
    auto& menu = m_program->form<app::frmWelcome>();
    waitFor([&] { return menu.isVisible() && menu.isEnabled(); }, QStringLiteral("the menu back"));
    click(menu, "cmdUpdate");
    auto& link = m_program->form<app::frmCheckScale>();
    if (!waitFor([&] { return link.isVisible(); }, QStringLiteral("the link form")))
        return;
    m_shooter.shoot(link, QStringLiteral("frmCheckScale-empty"));

    m_dialogs->expect(QStringLiteral("frmCheckScale-msg-missing-link"));
    click(link, "cmdContinue");

    m_dialogs->expect(QStringLiteral("frmDownload-msg-file-not-found"));
    link.txtLink->setText(m_server->downloadUrl(QStringLiteral("missing.hex")).toString());
    click(link, "cmdContinue");
    waitFor([&] { return link.isEnabled(); }, QStringLiteral("the link form after a missing file"));

    m_dialogs->expect(QStringLiteral("frmDownload-msg-download-incomplete"), Answer::Cancel);
    link.txtLink->setText(m_server->downloadUrl(QStringLiteral("broken.hex")).toString());
    click(link, "cmdContinue");
    waitFor([&] { return link.isEnabled(); }, QStringLiteral("the link form after a broken transfer"));

    link.txtLink->setText(m_server->downloadUrl(kUpdateFileName).toString());
    link.txtLink->setCursorPosition(0);
    m_shooter.shoot(link, QStringLiteral("frmCheckScale-link"));
}

// A real transfer, held at 40 %. The window redraws its figures at most every kRefreshMs, so the
// bytes come in two steps: all but the last few, then (once a redraw is due) the last few, which
// are then drawn for certain.
void ScreenTour::downloadMidway() {
    auto& link = m_program->form<app::frmCheckScale>();
    auto& download = m_program->form<app::frmDownload>();
    const QString target = m_program->programFile(kUpdateFileName);
    const qint64 midway = m_server->bodySize() * 2 / 5;
    click(link, "cmdContinue");
    if (!waitFor([&] { return m_server->waiting() && download.isVisible(); },
                 QStringLiteral("the download window")))
        return;
    m_server->release(midway - 16);
    // The bytes gather in a temporary file beside the target until the file is whole.
    const auto onDisk = [&] {
        qint64 bytes = 0;
        for (const QFileInfo& file : QFileInfo(target).dir().entryInfoList(QDir::Files | QDir::Hidden))
            bytes = std::max(bytes, file.size());
        return bytes;
    };
    waitFor([&] { return onDisk() == midway - 16; }, QStringLiteral("the first part of the file"));
    QTest::qWait(2 * app::frmDownload::kRefreshMs);
    m_server->release(16);
    waitFor([&] { return download.ProgressBar->value() == midway; }, QStringLiteral("the download at 40 %"));
    m_shooter.shoot(download, QStringLiteral("frmDownload-transfer"));

    m_dialogs->expect(QStringLiteral("frmDownload-msg-cancel"), Answer::No);
    click(download, "CancelButton");
    m_server->release(m_server->bodySize());
    auto& success = m_program->form<app::frmSuccess>();
    if (waitFor([&] { return success.isVisible(); }, QStringLiteral("the end of the download")))
        m_shooter.shoot(success, QStringLiteral("frmSuccess-initial"));
}

// The real programming run against the simulator, taken as it passes 40 %.
void ScreenTour::updateRun() {
    auto& success = m_program->form<app::frmSuccess>();
    auto& display = m_program->form<firmware::frmDisplay>();
    auto& last = m_program->form<app::frmSuccessUpdate>();
    bool taken = false;
    const auto connection =
        QObject::connect(display.ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
            // At 40 % as the bar shows it (whole percent, rounded down).
            if (taken || value * 5 < display.ProgressBar1->maximum() * 2)
                return;
            taken = true;
            m_shooter.shootNow(display, QStringLiteral("frmDisplay-running"));
            // Closed part way: the quit question, with the run held until it is answered.
            m_dialogs->onModal(QStringLiteral("frmQuit-update-under-way"),
                               ScreenDialogs::click(QStringLiteral("cmdCancel")));
            display.close();
        });
    click(success, "cmdUpdate");
    // Shown, and the run not yet started: that waits for the event loop's next turn.
    m_shooter.shootNow(display, QStringLiteral("frmDisplay-idle"));
    waitFor([&] { return last.isVisible(); }, QStringLiteral("the end of the programming run"), kRunWaitMs);
    QObject::disconnect(connection);
    if (!taken)
        m_shooter.fail(QStringLiteral("the programming run was never seen part way"));
    if (!last.isVisible())
        return;
    m_shooter.shoot(last, QStringLiteral("frmSuccessUpdate-waiting"));
    // The ten-second wait, tick by tick.
    last.Timer1.stop();
    for (int tick = 0; tick < 11 && !last.cmdExit->isVisibleTo(&last); ++tick)
        last.Timer1_Timer();
    m_shooter.shoot(last, QStringLiteral("frmSuccessUpdate-done"));
    last.endSilently();
}

// An update file with a broken line: refused before anything goes to the scale.
void ScreenTour::refusedUpdateFile() {
    const QString target = m_program->programFile(kUpdateFileName);
    QFile::remove(target);
    QFile::copy(kFixtures + QStringLiteral("/hex/bad-checksum.hex"), target);
    auto& display = m_program->form<firmware::frmDisplay>();
    m_dialogs->expect(QStringLiteral("frmDisplay-msg-update-file-refused"));
    display.showForm();
    waitFor([&] { return m_dialogs->allScriptUsed(); }, QStringLiteral("the refusal of the update file"));
    m_shooter.shoot(display, QStringLiteral("frmDisplay-refused"));
    display.endSilently();
}

}  // namespace vantor::test
