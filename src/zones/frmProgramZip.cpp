#include "zones/frmProgramZip.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "app/Controls.h"
#include "app/Look.h"
#include "app/Program.h"
#include "app/frmWelcome.h"

namespace vantor::zones {

using app::program;

frmProgramZip::frmProgramZip() {
    setWindowTitle(QStringLiteral("Program Zip/Zone"));
    cmdClose = app::makeButton(this, "cmdClose", QStringLiteral("&Close"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(cmdClose, 0, Qt::AlignRight);
    setMinimumWidth(640);

    connect(cmdClose, &QPushButton::clicked, this, &frmProgramZip::cmdClose_Click);
}

void frmProgramZip::Form_Load() {
    app::applyLook(*this);
}

void frmProgramZip::cmdClose_Click() {
    unload();
}

void frmProgramZip::Form_Unload(bool& cancel) {
    Q_UNUSED(cancel);
    program().form<app::frmWelcome>().comeBack();
}

}  // namespace vantor::zones
