#pragma once

#include "ui/app/Form.h"

class QLabel;
class QPushButton;

namespace vantor::app {

// The update file is in the program folder: the user starts the scale update from here.
class frmSuccess : public Form {
    Q_OBJECT
public:
    frmSuccess();

    bool AskExit = false;

    QLabel* lblSuccess;
    QPushButton* cmdUpdate;

    void cmdUpdate_Click();

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
};

}  // namespace vantor::app
