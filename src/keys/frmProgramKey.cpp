#include "keys/frmProgramKey.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "app/Controls.h"
#include "app/Look.h"
#include "app/Program.h"
#include "app/frmWelcome.h"

namespace vantor::keys {

using app::program;

frmProgramKey::frmProgramKey() {
    setWindowTitle(QStringLiteral("Program Keys"));
    cmdClose = app::makeButton(this, "cmdClose", QStringLiteral("C&lose"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(cmdClose, 0, Qt::AlignRight);
    setMinimumWidth(640);

    connect(cmdClose, &QPushButton::clicked, this, &frmProgramKey::cmdClose_Click);
}

void frmProgramKey::Form_Load() {
    app::applyLook(*this);
}

void frmProgramKey::cmdClose_Click() {
    unload();
}

void frmProgramKey::Form_Unload(bool& cancel) {
    Q_UNUSED(cancel);
    program().form<app::frmWelcome>().comeBack();
}

}  // namespace vantor::keys
