#include "ui/app/frmNotConnected.h"

#include <QLabel>
#include <QPushButton>

#include "ui/app/Controls.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"

namespace vantor::app {

frmNotConnected::frmNotConnected() {
    setWindowTitle(QStringLiteral("No Internet Connection"));
    lblNotConnected = makeLabel(
        this, "lblNotConnected",
        QStringLiteral("Please connect your computer to the Internet first to proceed with scale update."));
    cmdOkay = makeButton(this, "cmdOkay", QStringLiteral("&Okay"));

    layOutMessage(*this, lblNotConnected, {cmdOkay}, 400);

    connect(cmdOkay, &QPushButton::clicked, this, &frmNotConnected::cmdOkay_Click);
}

void frmNotConnected::Form_Load() {
    applyLook(*this);
    fitToContents(*this);
}

void frmNotConnected::cmdOkay_Click() {
    program().end();
}

void frmNotConnected::Form_Unload(bool& cancel) {
    Q_UNUSED(cancel);
    program().end();
}

}  // namespace vantor::app
