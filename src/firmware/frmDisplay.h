#pragma once

#include <functional>

#include "app/Form.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;

namespace vantor::firmware {

// The scale update form. It owns the program's link to the scale: every exchange with the scale
// goes through its operations, which run as jobs on the scale worker.
class frmDisplay : public app::Form {
    Q_OBJECT
public:
    frmDisplay();

    // Whether the scale answered the last serial-number read.
    bool ScaleCom = false;
    bool AskExit = false;

    QLabel* lblStatus;
    QLabel* lblVersion;
    QProgressBar* ProgressBar1;
    QMenu* mnuPort;
    QAction* mnuComm1;
    QAction* mnuComm2;

    void mnuComm1_Click();
    void mnuComm2_Click();

    // Reads the scale's serial number, opening the port first when it is closed; sets ScaleCom and
    // hands the text ("" when the scale did not answer) to `done` on this thread. False when the
    // link is busy with another exchange (nothing is read, `done` is not called).
    bool RdSN(std::function<void(QString)> done);

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

private:
    // Selects the `index`th port of the detection order (0 for COM1) and opens it.
    void selectPort(std::size_t index);
    void TogglePort(const QString& portName);
    void showPortError(const QString& description);
};

}  // namespace vantor::firmware
