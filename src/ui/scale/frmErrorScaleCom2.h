#pragma once

#include "ui/app/Form.h"

class QLabel;
class QPushButton;

namespace vantor::scale {

// Tells the user that the scale did not answer a detection or a serial-number read; Retry goes
// back to the step that failed.
class frmErrorScaleCom2 : public app::Form {
    Q_OBJECT
public:
    frmErrorScaleCom2();

    bool AskExit = false;

    QLabel* lblFailed;
    QPushButton* cmdRetry;
    QPushButton* cmdExit;

    void cmdRetry_Click();
    void cmdExit_Click();

    // One more line under the message, telling how to get access to a port the system refused;
    // it lasts until the dialog closes.
    void setAccessHint(const QString& hint);

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

private:
    void showMessage();

    QString m_accessHint;
};

}  // namespace vantor::scale
