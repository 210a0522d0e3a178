#include "ui/app/frmSuccess.h"

#include <QLabel>
#include <QPushButton>

#include "ui/app/Controls.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"

namespace vantor::app {

frmSuccess::frmSuccess() {
    setWindowTitle(QStringLiteral("Successful Download"));
    lblSuccess =
        makeLabel(this, "lblSuccess",
                  QStringLiteral("The file for updating your scale has been successfully downloaded. "
                                 "Click Update button to continue updating your scale with the latest "
                                 "postage rates."));
    cmdUpdate = makeButton(this, "cmdUpdate", QStringLiteral("&Update"));
    cmdUpdate->setToolTip(QStringLiteral("Update Vantor scale"));

    layOutMessage(*this, lblSuccess, {cmdUpdate}, 480);

    connect(cmdUpdate, &QPushButton::clicked, this, &frmSuccess::cmdUpdate_Click);
}

void frmSuccess::Form_Load() {
    applyLook(*this);
    AskExit = true;
    fitToContents(*this);
}

void frmSuccess::cmdUpdate_Click() {
    // The update form opens the scale's port itself when its run starts (on the scale worker,
    // which owns the port); being shown is what starts the run.
    road().startUpdate();
    AskExit = false;
    unload();
}

void frmSuccess::Form_Unload(bool& cancel) {
    if (!AskExit)
        return;
    road().askToQuit(this, cancel);
}

}  // namespace vantor::app
