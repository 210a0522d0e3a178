#pragma once

#include <QTimer>
#include <functional>

#include "ui/app/Form.h"

class QLabel;

namespace vantor::online {
class ConnectionProbe;
}

namespace vantor::app {

// The splash: shows title and version, checks that the Internet can be reached, then hands over
// to the scale connection form (or to the no-connection form) and closes itself.
class frmStartUp : public Form {
    Q_OBJECT
public:
    frmStartUp();

    QString VersionNum;
    bool AskExit = false;
    quint16 TimerCount = 0;

    QLabel* imgLogo;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblOrvik;
    QLabel* lblLoading;
    QTimer Timer1;

    // One step of the start-up sequence; Timer1 calls it once a second.
    void Timer1_Timer();
    // Starts the Internet check; `done(connected)` runs once it has an answer.
    void CheckConnection(std::function<void(bool)> done);
    // The Internet check failed: only an unfinished update can be dealt with in this run.
    bool offline() const { return m_connectionFailed; }

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

private:
    void connectionChecked(bool connected);
    // The check has answered: on to the port form's tick, or to the no-connection form.
    void goOnAfterCheck();
    void handOver();

    online::ConnectionProbe* m_probe;
    bool m_checking = false;
    bool m_connectionFailed = false;
    bool m_askingToQuit = false;
    // The check answered while the quit question was open; its answer decides what follows.
    bool m_answerWaiting = false;
};

}  // namespace vantor::app
