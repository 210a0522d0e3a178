#include "ui/app/frmQuit.h"

#include <QBoxLayout>
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include "core/firmware/TablesMessages.h"
#include "ui/app/Controls.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"

namespace vantor::app {

frmQuit::frmQuit() {
    setWindowTitle(QStringLiteral("Quit PC Program"));
    lblQuit = makeLabel(this, "lblQuit");
    lblUnfinished = makeLabel(this, "lblUnfinished",
                              QStringLiteral("Your scale will not work until it has been updated."));
    lblTablesSaved = makeLabel(this, "lblTablesSaved", QString::fromLatin1(firmware::kTablesSavedLine));
    cmdYes = makeButton(this, "cmdYes", QStringLiteral("&Yes"));
    cmdCancel = makeButton(this, "cmdCancel", QStringLiteral("&Cancel"));

    layOutMessage(*this, lblQuit, {cmdYes, cmdCancel}, 420);
    static_cast<QBoxLayout*>(layout())->insertWidget(1, lblUnfinished);
    static_cast<QBoxLayout*>(layout())->insertWidget(2, lblTablesSaved);

    connect(cmdYes, &QPushButton::clicked, this, &frmQuit::cmdYes_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmQuit::cmdCancel_Click);
}

void frmQuit::Form_Load() {
    applyLook(*this);
    // An earlier Yes must not close the version window after this question is declined.
    CloseWindow = false;
    if (road().aboutNewProgram()) {
        setWindowTitle(QStringLiteral("Exit Download"));
        lblQuit->setText(QStringLiteral(
            "Are you sure you do not want to download the latest version of Vantor PC Program?"));
    } else {
        setWindowTitle(QStringLiteral("Quit PC Program"));
        lblQuit->setText(QStringLiteral("Are you sure you want to quit updating your scale?"));
    }
    lblUnfinished->setVisible(m_updateUnderWay);
    lblTablesSaved->setVisible(m_updateUnderWay && road().updateKeepsTables());
    fitToContents(*this);
    // Enter answers with the focused button. While the scale is being rewritten a stray Enter must
    // not stop the run: the safe answer has the focus then.
    (m_updateUnderWay ? cmdCancel : cmdYes)->setFocus(Qt::OtherFocusReason);
}

void frmQuit::cmdYes_Click() {
    if (road().aboutNewProgram()) {
        // Declining the new PC program closes only its window; the program goes on.
        CloseWindow = true;
        road().newProgramDeclined();
        unload();
        return;
    }
    program().endDeletingTemporaryFiles();
}

void frmQuit::cmdCancel_Click() {
    unload();
}

void frmQuit::reject() {
    if (isLoaded())
        cmdCancel_Click();
    else
        Form::reject();
}

}  // namespace vantor::app
