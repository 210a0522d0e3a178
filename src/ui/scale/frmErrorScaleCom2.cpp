#include "ui/scale/frmErrorScaleCom2.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "ui/app/Controls.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"

namespace vantor::scale {

using app::program;

namespace {

const char* const kFailed =
    "A communication error with your scale was encountered. "
    "Please make sure that your Vantor scale is connected to your computer and that it is turned on.";

}  // namespace

frmErrorScaleCom2::frmErrorScaleCom2() {
    setWindowTitle(QStringLiteral("Error Communicating with the Scale"));
    lblFailed = app::makeLabel(this, "lblFailed");
    lblFailed->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cmdRetry = app::makeButton(this, "cmdRetry", QStringLiteral("&Retry"));
    cmdExit = app::makeButton(this, "cmdExit", QStringLiteral("E&xit"));

    app::layOutMessage(*this, lblFailed, {cmdRetry, cmdExit}, 480);
    showMessage();

    connect(cmdRetry, &QPushButton::clicked, this, &frmErrorScaleCom2::cmdRetry_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmErrorScaleCom2::cmdExit_Click);
}

void frmErrorScaleCom2::Form_Load() {
    setHourglass(false);
    app::applyLook(*this);
    AskExit = true;
    app::fitToContents(*this);
}

void frmErrorScaleCom2::setAccessHint(const QString& hint) {
    m_accessHint = hint;
    showMessage();
}

void frmErrorScaleCom2::showMessage() {
    const QString failed = QLatin1String(kFailed);
    // The hint is a separate matter from the failure: an empty line sets it apart.
    lblFailed->setText(m_accessHint.isEmpty() ? failed : failed + QStringLiteral("\n\n") + m_accessHint);
    app::growToFit(*this);
}

void frmErrorScaleCom2::cmdRetry_Click() {
    setHourglass(true);
    AskExit = false;
    // Back to where the failure came from: a fresh detection, or the menu.
    if (app::road().retryAfterPortError()) {
        unload();
    } else {
        // Nothing to go back to: the dialog stays as it was, still asking before it closes.
        setHourglass(false);
        AskExit = true;
    }
}

void frmErrorScaleCom2::cmdExit_Click() {
    AskExit = true;
    app::road().askToQuit(this);
}

void frmErrorScaleCom2::Form_Unload(bool& cancel) {
    if (AskExit) {
        // Declined: the dialog stays exactly as it was, Retry included.
        app::road().askToQuit(this, cancel);
        return;
    }
    // The failure this dialog reported is dealt with once it closes.
    app::road().portErrorDealtWith();
    setAccessHint(QString());
}

}  // namespace vantor::scale
