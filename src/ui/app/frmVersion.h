#pragma once

#include "ui/app/Form.h"

class QLabel;
class QPushButton;

namespace vantor::app {

// The window that offers a newer PC program: the running and the latest version side by side, and
// the installer's download. Its flags decide which question the quit dialog asks.
class frmVersion : public Form {
    Q_OBJECT
public:
    frmVersion();

    // True while this window is the one whose closing is being confirmed.
    bool NewVersion = false;
    // True: closing the window first asks whether the user really skips the new PC program.
    bool AskExit = false;

    QLabel* Image1;
    QLabel* lblStatus;
    QLabel* lblPCProg;
    QLabel* lblLatestVer;
    QLabel* lblLatest;
    QLabel* lblProgVer;
    QLabel* lblProg;
    QPushButton* cmdDownloadPCProg;
    QPushButton* cmdExit;

    // The server's latest version differs from the running one: shows it in blue and offers the
    // download.
    void offer();

    void Form_GotFocus();
    void Form_LostFocus();
    void cmdDownloadPCProg_Click();
    void cmdExit_Click();
    void DownloadPCProgram();

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
    bool event(QEvent* event) override;

private:
    void layOut();
};

}  // namespace vantor::app
