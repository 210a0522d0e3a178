#include "ui/app/Road.h"

#include <QDir>
#include <QLabel>

#include "core/scale/DetectionRound.h"
#include "platform/firmware/JournalFile.h"
#include "ui/app/Program.h"
#include "ui/app/frmCheckScale.h"
#include "ui/app/frmDownload.h"
#include "ui/app/frmHelp.h"
#include "ui/app/frmNotConnected.h"
#include "ui/app/frmQuit.h"
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

namespace vantor::app {

namespace {

template <class F>
F& the() {
    return program().form<F>();
}

// Without making the form when it has never been used.
template <class F>
bool isOpen() {
    return program().hasForm<F>() && program().form<F>().isLoaded();
}

}  // namespace

// --- Start-up ---

void Road::start() {
    the<frmStartUp>().showForm();
}

void Road::offline() {
    the<frmNotConnected>().showForm();
}

bool Road::offlineWithUnfinishedUpdate(QWidget* owner) {
    const QStringList journals =
        QDir(firmware::JournalFile::folder()).entryList({QStringLiteral("Update-*.journal")}, QDir::Files);
    if (journals.isEmpty())
        return false;
    program().dialogs().ask(
        owner, {QStringLiteral("No Internet Connection"),
                QStringLiteral("Your computer is not connected to the Internet, but the last update of your "
                               "scale did not finish, and it can be finished without the Internet. Connect "
                               "your scale to your computer, turn it on, then click Continue."),
                Message::Icon::Information, Message::Buttons::Ok});
    the<scale::frmChoosePort>().showForm();
    return true;
}

void Road::startUpDone() {
    the<scale::frmChoosePort>().showForm();
}

bool Road::startedOffline() {
    return program().hasForm<frmStartUp>() && the<frmStartUp>().offline();
}

QString Road::startUpVersion() {
    return the<frmStartUp>().lblVersion->text();
}

QString Road::versionNumber() {
    return the<frmStartUp>().VersionNum.trimmed();
}

// --- Finding the scale ---

void Road::detectionFinished(const scale::DetectionResult& result, const QString& accessHint) {
    setScaleAnswered(result.found());
    // Offline, the scale found is there only for its unfinished update; without one (or when the
    // user declines it) the offline form says why nothing else can be done.
    if (result.found() && startedOffline()) {
        if (!offerToFinish(&the<scale::frmChoosePort>(), result.serial) && !program().ended())
            offline();
        return;
    }
    if (result.found()) {
        frmWelcome& welcome = the<frmWelcome>();
        welcome.showForm();
        // An update of this scale that was cut short comes first: the scale does not work until then.
        if (offerToFinish(&welcome, result.serial) && !program().ended()) {
            welcome.AskExit = false;
            welcome.unload();
        }
    } else {
        auto& error = the<scale::frmErrorScaleCom2>();
        error.setAccessHint(accessHint);
        error.showForm();
    }
}

bool Road::retryAfterPortError() {
    if (the<scale::frmChoosePort>().ErrorPort) {
        the<scale::frmChoosePort>().showForm();  // a fresh detection
        return true;
    }
    if (the<frmWelcome>().ErrorScale) {
        the<frmWelcome>().showForm();
        return true;
    }
    return scaleAnswered();
}

void Road::portErrorDealtWith() {
    the<scale::frmChoosePort>().ErrorPort = false;
}

// --- The menu ---

QString Road::versionLine() {
    return the<frmWelcome>().lblVersion->text();
}

QString Road::scaleSerial() {
    return the<frmWelcome>().VantorSN;
}

bool Road::serialNumberRead(bool answered, const std::string& serial) {
    frmWelcome& menu = the<frmWelcome>();
    if (answered && offerToFinish(&menu, serial))
        return true;
    if (answered)
        the<frmCheckScale>().showForm();
    else
        the<scale::frmErrorScaleCom2>().showForm();
    return false;
}

bool Road::scaleAnswered() {
    return the<firmware::frmDisplay>().ScaleCom;
}

void Road::setScaleAnswered(bool answered) {
    the<firmware::frmDisplay>().ScaleCom = answered;
}

void Road::openHelp() {
    the<frmHelp>().showForm();
}

void Road::helpClosed() {
    the<frmWelcome>().restoreWindow();
}

void Road::chooseTables(QWidget* owner) {
    the<keys::frmZipKey>().showModal(owner);
}

void Road::openZoneForm() {
    the<frmWelcome>().stepAside();
    the<zones::frmProgramZip>().showForm();
}

void Road::openKeyForm() {
    the<frmWelcome>().stepAside();
    the<keys::frmProgramKey>().showForm();
}

void Road::backToMenu() {
    the<frmWelcome>().comeBack();
}

void Road::menuClosing() {
    the<frmVersion>().NewVersion = false;
}

// --- The new PC program ---

void Road::beginVersionCheck() {
    frmVersion& version = the<frmVersion>();
    version.load();
    version.lblProg->setText(versionNumber());
}

bool Road::isThisVersion(const QString& latest) {
    frmVersion& version = the<frmVersion>();
    version.lblLatest->setText(latest);
    return latest == version.lblProg->text();
}

void Road::offerNewProgram() {
    the<frmVersion>().offer();
}

void Road::leaveUpdateRoad() {
    if (isOpen<frmCheckScale>())
        the<frmCheckScale>().unload();
}

bool Road::askToDeclineNewProgram(QWidget* owner) {
    frmQuit& quit = the<frmQuit>();
    quit.showModal(owner);
    return quit.CloseWindow;
}

void Road::newProgramDeclined() {
    frmVersion& version = the<frmVersion>();
    version.NewVersion = false;
    version.AskExit = false;
    version.unload();
}

bool Road::aboutNewProgram() {
    return the<frmVersion>().NewVersion;
}

bool Road::quitQuestionOpen() {
    return isOpen<frmQuit>();
}

// --- The update file ---

void Road::showDownloads() {
    the<frmWelcome>().HideForm = false;
}

bool Road::downloadsHidden() {
    return the<frmWelcome>().HideForm;
}

bool Road::downloadUpdateFile(const QString& link, const QString& destination, std::int64_t sizeLimit,
                              std::function<void(bool)> done) {
    frmDownload& download = the<frmDownload>();
    download.setSizeLimit(sizeLimit);
    return download.DownloadFile(
        link, destination, QString(), QString(),
        [done = std::move(done)](bool result) { done(result && !the<frmDownload>().CancelSearch); });
}

std::optional<Message> Road::updateFileRefusal(const QString& file) {
    return firmware::frmDisplay::updateFileRefusal(file);
}

void Road::updateFileReady() {
    the<frmSuccess>().showForm();
}

// --- The whole-image run ---

void Road::startUpdate() {
    the<firmware::frmDisplay>().showForm();
}

bool Road::offerToFinish(QWidget* owner, const std::string& serial) {
    return firmware::frmDisplay::offerToFinish(owner, serial);
}

bool Road::updateKeepsTables() {
    return the<firmware::frmDisplay>().keepsTables();
}

void Road::updateFinished(const QString& tablesNote) {
    frmSuccessUpdate& final = the<frmSuccessUpdate>();
    final.load();
    final.lblTables->setText(tablesNote);
    final.showForm();
}

void Road::updateFailed() {
    the<scale::frmErrorScaleCom>().showForm();
}

bool Road::askToRetry(Form& caller) {
    return the<scale::frmErrorScaleCom>().showModalFor(caller);
}

void Road::retryUpdate() {
    the<firmware::frmDisplay>().showForm();
}

// --- Quitting ---

void Road::askToQuit(QWidget* owner) {
    // The version window's question is not the one meant, whatever it left behind.
    the<frmVersion>().NewVersion = false;
    the<frmQuit>().showModal(owner);
}

void Road::askToQuit(QWidget* owner, bool& cancel) {
    askToQuit(owner);
    cancel = !program().ended();
}

void Road::askToQuitDuringUpdate(QWidget* owner) {
    frmQuit& quit = the<frmQuit>();
    quit.setUpdateUnderWay(true);
    askToQuit(owner);
    quit.setUpdateUnderWay(false);
}

}  // namespace vantor::app
