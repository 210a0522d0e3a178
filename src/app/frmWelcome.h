#pragma once

#include "app/Form.h"

class QLabel;

namespace vantor::app {

// The main menu: greets the user and shows the program version.
class frmWelcome : public Form {
    Q_OBJECT
public:
    frmWelcome();

    QString SerialNumber;
    QString VantorSN;
    bool UpdateShown = false;
    bool HideForm = false;
    // The menu's serial-number read found no answering scale; the error dialog's Retry reads it.
    bool ErrorScale = false;
    bool AskExit = false;

    QLabel* lblWelcome;
    QLabel* lblVersion;

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

private:
    void InitForm();
};

}  // namespace vantor::app
