#pragma once

#include "ui/app/Form.h"

class QLabel;
class QPushButton;

namespace vantor::scale {

// Tells the user that the scale stopped answering while it was being programmed. After a failed
// update run, Retry shows the update form, which programs the scale again from the start; opened
// by key or zone programming, Retry gives the user back to that form, which keeps its data.
class frmErrorScaleCom : public app::Form {
    Q_OBJECT
public:
    frmErrorScaleCom();

    bool AskExit = false;

    QLabel* lblFailed;
    // After a failed update run that keeps the user's tables: they are saved, and come back with it.
    QLabel* lblTablesSaved;
    QPushButton* cmdRetry;
    QPushButton* cmdExit;

    void cmdRetry_Click();
    void cmdExit_Click();

    // Shows the dialog modally over `caller` (key or zone programming) and returns once the user
    // has chosen: true for Retry, false for Exit with the quit question declined (Exit confirmed
    // ends the program inside).
    bool showModalFor(app::Form& caller);

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;

private:
    // The form that opened the dialog modally; null after a failed update run.
    app::Form* m_caller = nullptr;
    bool m_retry = false;
};

}  // namespace vantor::scale
