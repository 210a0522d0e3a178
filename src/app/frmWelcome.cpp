#include "app/frmWelcome.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/Controls.h"
#include "app/Look.h"
#include "app/Program.h"
#include "app/frmQuit.h"
#include "app/frmStartUp.h"

namespace vantor::app {

frmWelcome::frmWelcome() {
    setWindowTitle(QStringLiteral("Welcome to Vantor PC Program!"));
    lblWelcome = makeLabel(this, "lblWelcome",
                           QStringLiteral("Welcome to Vantor PC Program! This program will let you update your "
                                          "Vantor scale with the latest postage rates and services that are "
                                          "available."));
    lblVersion = makeLabel(this, "lblVersion");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(lblWelcome);
    layout->addWidget(lblVersion);
    setMinimumWidth(560);
}

void frmWelcome::Form_Load() {
    InitForm();
}

void frmWelcome::InitForm() {
    applyLook(*this);
    makeBold(*lblVersion);
    AskExit = true;
    // The splash has long closed by now; its label still holds the version, and reading it must
    // not load the splash again (that would restart the start-up sequence).
    lblVersion->setText(QStringLiteral("Vantor PC Program ") +
                        program().form<frmStartUp>().lblVersion->text());
}

void frmWelcome::Form_Unload(bool& cancel) {
    if (!AskExit)
        return;
    frmQuit::askToQuit(this);
    cancel = true;
}

}  // namespace vantor::app
