#include "app/frmSuccessUpdate.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Controls.h"
#include "app/Look.h"
#include "app/Program.h"

namespace vantor::app {

namespace {

// The downloaded image and the banner picture live only as long as the program runs.
const char* const kTemporaryFiles[] = {"VantorUSA_APROM.hex", "usaupdatebanner.jpg"};

}  // namespace

frmSuccessUpdate::frmSuccessUpdate() {
    setWindowTitle(QStringLiteral("Updating Scale Information"));
    lblUpdate = makeLabel(this, "lblUpdate", QStringLiteral("Updating scale information, please wait...."));
    lblSuccess = makeLabel(
        this, "lblSuccess",
        QStringLiteral("Your Vantor scale has been updated successfully. You may now start using it "
                       "with its latest postage rates. Please do not hesitate to contact us if you "
                       "have problems with the updated software."));
    cmdExit = makeButton(this, "cmdExit", QStringLiteral("E&xit"));
    lblSuccess->setVisible(false);
    cmdExit->setVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(lblUpdate);
    layout->addWidget(lblSuccess);
    layout->addLayout(centredRow({cmdExit}));
    setMinimumWidth(480);

    connect(cmdExit, &QPushButton::clicked, this, &frmSuccessUpdate::cmdExit_Click);
}

void frmSuccessUpdate::Form_Load() {
    applyLook(*this);
}

void frmSuccessUpdate::cmdExit_Click() {
    endProgram();
}

void frmSuccessUpdate::Form_Unload(bool& cancel) {
    Q_UNUSED(cancel);
    endProgram();
}

void frmSuccessUpdate::endProgram() {
    // A file that is missing or locked is simply left: nothing must keep the program from ending.
    for (const char* name : kTemporaryFiles)
        QFile::remove(program().programFile(QLatin1String(name)));
    program().end();
}

}  // namespace vantor::app
