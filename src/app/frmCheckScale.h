#pragma once

#include "app/Form.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantor::app {

// The update-link form: shows the scale's serial number and takes the link of the update file
// from the user.
class frmCheckScale : public Form {
    Q_OBJECT
public:
    frmCheckScale();

    bool AskExit = false;

    QLabel* Image1;
    QLabel* lblVersion;
    QLabel* lblSerial;
    QLabel* lblCheck;
    QLabel* lblLink;
    QLineEdit* txtLink;
    QPushButton* cmdContinue;
    QPushButton* cmdExit;

    void cmdExit_Click();

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
};

}  // namespace vantor::app
