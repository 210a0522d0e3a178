#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "core/firmware/ImageBuffer.h"
#include "core/firmware/ProgrammingRun.h"
#include "core/firmware/ScaleUpdate.h"
#include "core/firmware/TimeLeft.h"
#include "core/firmware/UpdateDriver.h"
#include "core/firmware/UserTables.h"
#include "platform/firmware/JournalFile.h"
#include "platform/firmware/TablesBackupFile.h"
#include "platform/firmware/UnfinishedUpdate.h"
#include "ui/app/Dialogs.h"
#include "ui/app/Form.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace vantor::firmware {

// The scale update form. Shown, it loads the update file and programs the whole image into the
// scale. The core's UpdateDriver decides the update's steps and questions; this form runs each
// step as a job on the scale worker (through the form base's operateScale), asks each question
// here, and shows the progress and the end.
class frmDisplay : public app::Form {
    Q_OBJECT
public:
    frmDisplay();

    // The whole-file check of loading, on its own: the box that tells why `file` cannot be used
    // (its line and reason, as loading it here would tell), or nothing when it can.
    static std::optional<app::Message> updateFileRefusal(const QString& file);

    // Whether the scale answered the last serial-number read.
    bool ScaleCom = false;
    bool AskExit = false;
    // The scale's serial number as it goes into the image: the stored one until the scale gives its own.
    QString ScaleSerial;

    QLabel* lblStatus;
    QLabel* lblVersion;
    QProgressBar* ProgressBar1;
    // Under the bar while a run goes on: "Estimated time left: 1 min 5 sec".
    QLabel* lblTimeLeft;
    // While the scale's memory is being written: the one thing that would ruin the update.
    QLabel* lblKeepConnected;

    // Shown when the update stopped with nothing written (no room for its notes, a question
    // answered No, the file refused): start again, or leave through the quit question.
    QPushButton* cmdRetry;
    QPushButton* cmdExit;

    QMenu* mnuFile;
    QAction* mnuLoad;
    QAction* mnuFileExit;
    QMenu* mnuRun;
    QAction* mnuAuto;
    QAction* mnuProgram;
    QAction* mnuRead;
    QMenu* mnuSelect;
    QAction* mnuAPROM;
    QAction* mnuLDROM;
    QMenu* mnuPort;
    QAction* mnuComm1;
    QAction* mnuComm2;

    // What is left of the form's service view: never shown.
    QPushButton* LoadHex;
    QPushButton* Program;
    QPushButton* cmdRead;
    QPushButton* cmdPageUp;
    QPushButton* cmdPageDown;
    QRadioButton* APROM;
    QRadioButton* LDROM;
    QLabel* Label1;

    const ImageBuffer& imageBuffer() const { return m_image; }
    // Whether the image holds a file that passed every check since the form was loaded.
    bool imageLoaded() const { return m_imageLoaded; }
    // Whether a programming run is under way.
    bool running() const { return m_running; }
    // The quarter of the image the hidden page view is on (0..3).
    int pageQuarter() const { return m_pageQuarter; }

    // The update under way: the serial number and the user's zone table and keys as read before
    // its first run, kept across a Retry, since a failed run may already have written over them.
    const ScaleUpdate* update() const { return m_update.get(); }
    // Whether the user's zone table and keys are saved, to be written back when the update is done.
    bool keepsTables() const;

    // Shows the form to finish the unfinished update `journal` tells of: its own copy of the update
    // file, then the tables saved before it began.
    void finishUnfinished(const UpdateJournal& journal);
    // When the scale `serial` has an unfinished update, asks over `owner` whether to finish it now;
    // true when the user said Yes and the update form took over. No keeps the journal for next time.
    static bool offerToFinish(QWidget* owner, const std::string& serial);
    // Where the journal of `serial` cannot be read: what may be unfinished, and where the tables are.
    static void tellDamagedJournal(QWidget* owner, const UnfinishedUpdate& unfinished);

    void mnuComm1_Click();
    void mnuComm2_Click();

    // Reads the scale's serial number, opening the port first when it is closed; sets ScaleCom and
    // hands the text ("" when the scale did not answer) to `done` on this thread. False when the
    // link is busy with another exchange (nothing is read, `done` is not called).
    bool RdSN(std::function<void(QString)> done);

    // Reads the update file into a fresh image. A file with any fault is refused as a whole, with
    // one message naming the line and the reason; the image is then left empty (all FF) and
    // cannot be programmed. True when the file was loaded.
    bool mnuLoad_Click();
    void LoadHex_Click();
    void mnuAPROM_Click();
    void APROM_Click();
    void mnuLDROM_Click();
    void LDROM_Click();

    void AutoProgram();
    // Reads the scale's serial number, packs it and programs the whole image, on the scale worker.
    // Ignored while a run is under way.
    void Program_Click();
    void mnuFileExit_Click();
    void cmdRetry_Click();
    void cmdExit_Click();

signals:
    // Emitted on this thread once the programming run has ended, however it ended.
    void runEnded(const vantor::scale::OperationResult& result);

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
    void Form_Activate() override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenu();
    void buildHiddenControls();
    void resetImage();
    void resetPageView();
    void movePageView(int step);
    void selectKind(ImageKind kind);
    void showStatus(const QString& status);
    void showLoadRefusal(const app::Message& refusal);
    void setRunning(bool running);
    // The run's progress on the bar: the tables read first (a bar of their own), then the write
    // (0..255) and the verify (256..511).
    void showProgress(const scale::Progress& progress);
    void showRunProgress(int value, std::size_t unitsDone);
    // The update file this update writes: the download, or an unfinished update's own copy.
    QString updateFile() const;
    // Follows the update's driver until it asks for a step on the worker or is done.
    void drive();
    void runStep(UpdateStep step);
    void showWritingBack();
    void stepEnded(UpdateStep step);
    void ask(const UpdateAction& action);
    void showTablesProgress(std::size_t done, std::size_t total);
    void finishUpdate(const UpdateReport& report);
    // Nothing was written: the way on, after `why` is told.
    void notUpdated(const std::optional<app::Message>& why = std::nullopt);
    void refuseWithoutJournal();
    void endRun(const UpdateReport& report);
    void showWayOn(bool shown);
    void succeed();
    void afterUpdateTables(const UpdateReport& report);
    void tablesWrittenBack(const UpdateReport& report);
    void tablesNotBack(const std::string& reason);
    void tell(const app::Message& message);
    // `tablesNote`: what the final screen adds when the user's tables are not in the scale.
    void showFinalScreen(const QString& tablesNote = {});
    void refuseSerialNumber();
    void reportOtherScale(const QString& serial);
    void failureExit();

    // Selects COM1 (index 0) or COM2 and opens it; outside Windows, the first or second port of
    // the detection order.
    void selectPort(std::size_t index);
    void TogglePort(const QString& portName);
    void showPortError(const QString& description);

    ImageBuffer m_image;
    bool m_imageLoaded = false;
    bool m_running = false;
    // Set when the form is shown: its activation (or, failing that, the event loop's next turn)
    // starts a run. Activations that only give the focus back start nothing.
    bool m_runOnActivation = false;
    int m_pageQuarter = 0;
    std::shared_ptr<ScaleUpdate> m_update;     // shared with the job that runs it on the scale worker
    std::shared_ptr<UpdateDriver> m_driver;    // its steps, shared likewise
    std::optional<UpdateJournal> m_finishing;  // the unfinished update this one finishes
    bool m_showingTables = false;              // the bar shows the tables being read, not yet the run
    QElapsedTimer m_runClock;
    TimeLeft m_timeLeft;
};

}  // namespace vantor::firmware
