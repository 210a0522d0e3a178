#include "app/frmCheckScale.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Controls.h"
#include "app/Look.h"
#include "app/Program.h"
#include "app/frmQuit.h"
#include "app/frmWelcome.h"

namespace vantor::app {

namespace {

constexpr int kLogoSize = 96;

}  // namespace

frmCheckScale::frmCheckScale() {
    setWindowTitle(QStringLiteral("Update Scale"));
    Image1 = makeLabel(this, "Image1");
    Image1->setFixedSize(kLogoSize, kLogoSize);
    Image1->setPixmap(QIcon(QStringLiteral(":/vantor/logo.svg")).pixmap(kLogoSize, kLogoSize));
    lblVersion = makeLabel(this, "lblVersion");
    lblSerial = makeLabel(this, "lblSerial");
    lblCheck =
        makeLabel(this, "lblCheck",
                  QStringLiteral("Your scale is ready for the update. The file for updating your scale "
                                 "must be downloaded first: paste the link of the update file in the "
                                 "box below, then click Continue button."));
    lblLink = makeLabel(this, "lblLink", QStringLiteral("Link:"));
    lblLink->setWordWrap(false);
    txtLink = new QLineEdit(this);
    txtLink->setObjectName(QStringLiteral("txtLink"));
    cmdContinue = makeButton(this, "cmdContinue", QStringLiteral("&Continue"));
    cmdContinue->setToolTip(QStringLiteral("Continue updating your scale."));
    cmdExit = makeButton(this, "cmdExit", QStringLiteral("E&xit"));
    cmdExit->setToolTip(QStringLiteral("Quit PC Program. Scale will not be updated."));

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblVersion);
    texts->addWidget(lblSerial);
    texts->addWidget(lblCheck);
    auto* top = new QHBoxLayout;
    top->setSpacing(24);
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addLayout(texts);
    auto* link = new QHBoxLayout;
    link->addWidget(lblLink);
    link->addWidget(txtLink);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->addLayout(top);
    layout->addLayout(link);
    layout->addLayout(centredRow({cmdContinue, cmdExit}));
    setMinimumWidth(600);

    connect(cmdExit, &QPushButton::clicked, this, &frmCheckScale::cmdExit_Click);
}

void frmCheckScale::Form_Load() {
    applyLook(*this);
    const frmWelcome& menu = program().form<frmWelcome>();
    lblVersion->setText(menu.lblVersion->text());
    makeBold(*lblVersion);
    lblSerial->setText(QStringLiteral("Vantor Scale Serial Number:  ") + menu.VantorSN);
    AskExit = true;
}

void frmCheckScale::cmdExit_Click() {
    AskExit = true;
    frmQuit::askToQuit(this);
}

void frmCheckScale::Form_Unload(bool& cancel) {
    if (!AskExit)
        return;
    frmQuit::askToQuit(this);
    if (program().ended())
        return;
    cancel = true;
}

}  // namespace vantor::app
