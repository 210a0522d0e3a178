#pragma once

#include <QTimer>

#include "core/online/UpdateQueries.h"
#include "ui/app/Form.h"

class QLabel;
class QPushButton;

namespace vantor::app {

class ClickableLabel;

// The main menu: greets the user, shows the program version and the update banner, starts the
// two online checks, and offers the user's actions (update the scale, the manual, key and zone
// programming, help, exit).
class frmWelcome : public Form {
    Q_OBJECT
public:
    frmWelcome();

    // The number in the settings store; the update road replaces it with the scale's and saves it.
    QString SerialNumber;
    // What the scale answered to the last "Update Scale"; the update-link form shows it.
    QString VantorSN;
    // The PC program version check has run: later loads of the menu do not run it again.
    bool UpdateShown = false;
    // Read by the downloader: True lets a download run without its window.
    bool HideForm = false;
    // The menu's serial-number read found no answering scale; the error dialog's Retry reads it.
    bool ErrorScale = false;
    bool AskExit = false;

    QLabel* lblWelcome;
    QLabel* lblVersion;
    ClickableLabel* ImgBanner;
    QPushButton* cmdUpdate;
    QPushButton* cmdDownload;
    QPushButton* cmdProgZip;
    QPushButton* cmdHelp;
    QPushButton* cmdExit;
    // Delays the version check until the menu is on screen.
    QTimer Timer1;
    // Blinks the banner while a scale software update is available.
    QTimer Timer2;

    void Timer1_Timer();
    void Timer2_Timer();
    // Ends the banner's blinking with the banner showing.
    void stopBlinking();
    void cmdUpdate_Click();
    void cmdDownload_Click();
    void cmdProgZip_Click();
    void cmdHelp_Click();
    void cmdExit_Click();
    void ImgBanner_Click();
    void DownloadLatestManual();

    // The online checks: what they ask lies behind the program's OnlineChecks; their answers
    // change this menu and the version window.
    void CheckUpdate();
    void CheckNewVersion();

    // Brings the menu back from the minimised state that help left it in. Nothing happens once the menu has
    // been unloaded: a form that closes later must not bring the menu back into the middle of another road.
    void restoreWindow();
    // Steps aside while key or zone programming has the scale: minimised and not usable; comeBack()
    // gives the menu back when that form closes.
    void stepAside();
    void comeBack();

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void InitForm();
    void layOut();
    void connectControls();
    // The end of "Update Scale": the scale's answer to the serial-number read.
    void serialNumberRead(const QString& serial);
    void setReading(bool reading);
    // The update check's answers. The first says whether the banner is still wanted.
    bool updateAnswered(online::UpdateAnswer answer);
    void bannerFetched(const QString& bannerFile);
    void latestVersionRead(const QString& latest);
    // Still there to take an answer: loaded, and the program not ended.
    bool waitingForAnswers() const;

    quint16 TimerCount = 0;
    // Counts banner ticks; wraps from 65535 to 0, which keeps the odd/even alternation going.
    quint16 m_bannerTicks = 0;
    bool m_reading = false;
};

}  // namespace vantor::app
