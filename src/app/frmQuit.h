#pragma once

#include "app/Form.h"

class QLabel;
class QPushButton;

namespace vantor::app {

// The one place where the user confirms leaving: either quitting the program (which deletes the
// temporary files and ends it) or declining the new PC program (which closes that window only).
class frmQuit : public Form {
    Q_OBJECT
public:
    frmQuit();

    // Set when the user confirmed declining the new PC program; the version window reads it. Each
    // question starts with it cleared.
    bool CloseWindow = false;

    QLabel* lblQuit;
    QPushButton* cmdYes;
    QPushButton* cmdCancel;

    void cmdYes_Click();
    void cmdCancel_Click();

    // Asks the plain quit question modally over `owner`: the version window's question is not the
    // one meant, whatever it left behind. Returns when the user declined; a Yes ends the program.
    static void askToQuit(QWidget* owner);
    // The same from a form's Form_Unload: the unload is cancelled unless the user quit.
    static void askToQuit(QWidget* owner, bool& cancel);

protected:
    void Form_Load() override;

};

}  // namespace vantor::app
