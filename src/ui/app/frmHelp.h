#pragma once

#include "ui/app/Form.h"

class QLabel;
class QPushButton;

namespace vantor::app {

class ClickableLabel;

// How an update is done, in four steps, and where to find more help. The main menu waits
// minimised while it is open and comes back when it closes, however it is closed.
class frmHelp : public Form {
    Q_OBJECT
public:
    frmHelp();

    QLabel* lblHelp1;
    QLabel* lblHelp2;
    QLabel* lblHelp3;
    QLabel* lblHelp4;
    QLabel* lblhelp5;
    QLabel* lblUpdate;
    QLabel* lblUpdate2;
    QLabel* lblFormore;
    ClickableLabel* lblWebsite;
    QPushButton* cmdClose;

    void lblWebsite_Click();
    void cmdClose_Click();

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
};

}  // namespace vantor::app
