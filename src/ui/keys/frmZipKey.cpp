#include "ui/keys/frmZipKey.h"

#include <QLabel>
#include <QPushButton>

#include "ui/app/Controls.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"

namespace vantor::keys {

using app::program;

frmZipKey::frmZipKey() {
    setWindowTitle(QStringLiteral("Choose What To Program"));
    lblChoose = app::makeLabel(this, "lblChoose",
                               QStringLiteral("Choose what do you want to program in your Vantor Scale."));
    cmdZip = app::makeButton(this, "cmdZip", QStringLiteral("&Zip/Zone"));
    cmdKey = app::makeButton(this, "cmdKey", QStringLiteral("&Blank Key"));

    app::layOutMessage(*this, lblChoose, {cmdZip, cmdKey}, 420);

    connect(cmdZip, &QPushButton::clicked, this, &frmZipKey::cmdZip_Click);
    connect(cmdKey, &QPushButton::clicked, this, &frmZipKey::cmdKey_Click);
}

void frmZipKey::Form_Load() {
    app::applyLook(*this);
    app::fitToContents(*this);
}

void frmZipKey::cmdZip_Click() {
    unload();
    app::road().openZoneForm();
}

void frmZipKey::cmdKey_Click() {
    unload();
    app::road().openKeyForm();
}

}  // namespace vantor::keys
