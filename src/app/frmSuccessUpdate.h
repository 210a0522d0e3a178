#pragma once

#include "app/Form.h"

class QLabel;
class QPushButton;

namespace vantor::app {

// The last screen of a scale update: the scale has been programmed and verified. Leaving it, by
// its exit button or its close box, removes the update's temporary files and ends the program.
class frmSuccessUpdate : public Form {
    Q_OBJECT
public:
    frmSuccessUpdate();

    QLabel* lblUpdate;
    QLabel* lblSuccess;
    QPushButton* cmdExit;

    void cmdExit_Click();

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

private:
    void endProgram();
};

}  // namespace vantor::app
