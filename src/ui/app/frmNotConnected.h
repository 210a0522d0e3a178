#pragma once

#include "ui/app/Form.h"

class QLabel;
class QPushButton;

namespace vantor::app {

// Shown when the Internet cannot be reached; every way out ends the program.
class frmNotConnected : public Form {
    Q_OBJECT
public:
    frmNotConnected();

    QLabel* lblNotConnected;
    QPushButton* cmdOkay;

    void cmdOkay_Click();

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
};

}  // namespace vantor::app
