#include "app/frmNotConnected.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Look.h"
#include "app/Program.h"

namespace vantor::app {

frmNotConnected::frmNotConnected() {
    setWindowTitle(QStringLiteral("No Internet Connection"));
    lblNotConnected = new QLabel(
        QStringLiteral("Please connect your computer to the Internet first to proceed with scale update."),
        this);
    lblNotConnected->setObjectName(QStringLiteral("lblNotConnected"));
    lblNotConnected->setWordWrap(true);
    cmdOkay = new QPushButton(QStringLiteral("&Okay"), this);
    cmdOkay->setObjectName(QStringLiteral("cmdOkay"));
    cmdOkay->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(lblNotConnected);
    layout->addWidget(cmdOkay, 0, Qt::AlignHCenter);
    setMinimumWidth(400);

    connect(cmdOkay, &QPushButton::clicked, this, &frmNotConnected::cmdOkay_Click);
}

void frmNotConnected::Form_Load() {
    applyLook(*this);
}

void frmNotConnected::cmdOkay_Click() {
    program().end();
}

void frmNotConnected::Form_Unload(bool& cancel) {
    Q_UNUSED(cancel);
    program().end();
}

}  // namespace vantor::app
