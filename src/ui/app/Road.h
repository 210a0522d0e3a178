#pragma once

// The road through the program's forms: start-up, finding the scale, the menu, the update file,
// the whole-image run and the forms that report its failures, the key and zone forms, quitting.
// A form says what happened on it; the road shows the form that comes next and answers what one
// form needs to know of another. It is the one place that knows every form, so that no form
// includes another.

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "ui/app/Dialogs.h"

class QWidget;

namespace vantor::scale {
struct DetectionResult;
}

namespace vantor::app {

class Form;

class Road {
public:
    // --- Start-up ---
    // The program opens on its splash form.
    void start();
    // The splash found no connection to the internet: the way on is the offline form.
    void offline();
    // No connection, but an update of a scale was cut short: the user is told it can be finished
    // offline and the scale is looked for. False (nothing shown) when no update waits.
    bool offlineWithUnfinishedUpdate(QWidget* owner);
    // The splash has done its checks: the scale is looked for next.
    void startUpDone();
    // The splash found no connection to the Internet.
    bool startedOffline();
    // The program's version as the splash showed it, and its bare number.
    QString startUpVersion();
    QString versionNumber();

    // --- Finding the scale ---
    // Detection ended: the menu when a scale answered (an update of it cut short is offered first),
    // the port error form otherwise.
    void detectionFinished(const scale::DetectionResult& result, const QString& accessHint);
    // Retry on the port error form: back to where the failure came from. False when there is no
    // such place and the form stays.
    bool retryAfterPortError();
    // The port error form closed: the failure it reported is dealt with.
    void portErrorDealtWith();

    // --- The menu ---
    // The version line of the menu, shown again by the forms that follow it.
    QString versionLine();
    // The serial number the scale answered with on the menu.
    QString scaleSerial();
    // The serial number read on the menu: the update file form when the scale answered, the port
    // error form otherwise. An update of the scale that was cut short is offered first; true when
    // it was taken up (the menu is then left to it).
    bool serialNumberRead(bool answered, const std::string& serial);
    // Whether the last exchange with the scale was answered, as the update form keeps it.
    bool scaleAnswered();
    void setScaleAnswered(bool answered);
    void openHelp();
    void helpClosed();
    void chooseTables(QWidget* owner);
    void openZoneForm();
    void openKeyForm();
    // A key or zone form is done with the scale: the menu is usable again.
    void backToMenu();
    // The menu's own unload: the quit question is about the scale again, not the new PC program.
    void menuClosing();

    // --- The new PC program ---
    void beginVersionCheck();
    // Notes the server's answer; true when it names the version this program is.
    bool isThisVersion(const QString& latest);
    void offerNewProgram();
    // The new program's download is on its way: the update road is left, if it was open.
    void leaveUpdateRoad();
    // Asks whether the new PC program is declined; true when the user said so.
    bool askToDeclineNewProgram(QWidget* owner);
    // Yes to that question: the version window closes, the program goes on.
    void newProgramDeclined();
    bool aboutNewProgram();
    bool quitQuestionOpen();

    // --- The update file ---
    // Downloads shown in their window from now on (the menu hides them while it checks quietly).
    void showDownloads();
    bool downloadsHidden();
    // Downloads `link` into `destination`, at most `sizeLimit` bytes; `done(true)` only when the
    // whole file arrived and the user did not cancel. False when it could not start.
    bool downloadUpdateFile(const QString& link, const QString& destination, std::int64_t sizeLimit,
                            std::function<void(bool)> done);
    // Why `file` is no update file, or nothing when it is one.
    std::optional<Message> updateFileRefusal(const QString& file);
    void updateFileReady();

    // --- The whole-image run ---
    void startUpdate();
    // An update of the scale with `serial` was cut short: offered to be finished. True when taken up.
    bool offerToFinish(QWidget* owner, const std::string& serial);
    bool updateKeepsTables();
    // `tablesNote`: the line the final screen adds when the user's tables are not in the scale.
    void updateFinished(const QString& tablesNote = {});
    void updateFailed();
    // The scale stopped answering key or zone programming: the error form, modal over `caller`.
    // True when the user chose Retry.
    bool askToRetry(Form& caller);
    // Retry on the scale error form of the update: the update form again.
    void retryUpdate();

    // --- Quitting ---
    // The quit question over `owner`; Yes ends the program.
    void askToQuit(QWidget* owner);
    // The same from a form's unload: `cancel` is set when the program goes on.
    void askToQuit(QWidget* owner, bool& cancel);
    // The same during the whole-image run: the question says what stopping now leaves behind.
    void askToQuitDuringUpdate(QWidget* owner);
};

}  // namespace vantor::app
