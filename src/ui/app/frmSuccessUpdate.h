#pragma once

#include <QTimer>

#include "ui/app/Form.h"

class QLabel;
class QStackedWidget;
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
    // Under the success text, when the user's zone table and keys are not in the scale: where they are.
    QLabel* lblTables;
    QPushButton* cmdExit;
    // Counts the "please wait" seconds: the success text comes on the eleventh tick.
    QTimer Timer1;
    quint16 TimerCount = 0;

    void cmdExit_Click();
    void Timer1_Timer();

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Unload(bool& cancel) override;
    void showEvent(QShowEvent* event) override;

private:
    void endProgram();
    bool m_done = false;
    QStackedWidget* m_texts;
};

}  // namespace vantor::app
