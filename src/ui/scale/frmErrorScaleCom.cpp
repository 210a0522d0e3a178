#include "ui/scale/frmErrorScaleCom.h"

#include <QBoxLayout>

#include <QLabel>
#include <QPushButton>

#include "core/firmware/TablesMessages.h"
#include "ui/app/Controls.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"

namespace vantor::scale {

using app::program;

frmErrorScaleCom::frmErrorScaleCom() {
    setWindowTitle(QStringLiteral("Error Communicating with the Scale"));
    lblFailed = app::makeLabel(
        this, "lblFailed",
        QStringLiteral("A communication error with your scale was encountered. Please make sure that your "
                       "Vantor scale is connected to your computer and that it is turned on."));
    lblTablesSaved = app::makeLabel(this, "lblTablesSaved", QString::fromLatin1(firmware::kTablesSavedLine));
    cmdRetry = app::makeButton(this, "cmdRetry", QStringLiteral("&Retry"));
    cmdExit = app::makeButton(this, "cmdExit", QStringLiteral("E&xit"));

    app::layOutMessage(*this, lblFailed, {cmdRetry, cmdExit}, 480);
    static_cast<QBoxLayout*>(layout())->insertWidget(1, lblTablesSaved);

    connect(cmdRetry, &QPushButton::clicked, this, &frmErrorScaleCom::cmdRetry_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmErrorScaleCom::cmdExit_Click);
}

void frmErrorScaleCom::Form_Load() {
    // The hourglass of an earlier Retry must not come back with the dialog.
    setHourglass(false);
    app::applyLook(*this);
    AskExit = true;
    lblTablesSaved->setVisible(!m_caller && app::road().updateKeepsTables());
    app::fitToContents(*this);
}

bool frmErrorScaleCom::showModalFor(app::Form& caller) {
    m_caller = &caller;
    m_retry = false;
    showModal(&caller);
    m_caller = nullptr;
    return m_retry;
}

void frmErrorScaleCom::cmdRetry_Click() {
    setHourglass(true);
    // Key or zone programming asked: the user goes back to that form and presses Program again
    // when ready. The update form would start a whole firmware update nobody asked for.
    if (!m_caller)
        app::road().retryUpdate();
    // A zone form disabled after the scale stopped answering is handed back usable: Retry means
    // the user wants to try again, and a disabled form would leave only the window frame.
    if (m_caller)
        m_caller->setEnabled(true);
    m_retry = true;
    AskExit = false;
    unload();
}

void frmErrorScaleCom::cmdExit_Click() {
    AskExit = true;
    app::road().askToQuit(this);
    // Opened by key or zone programming, a declined quit means "stop trying": the user goes back
    // to that form with the data it holds.
    if (m_caller && !program().ended()) {
        m_caller->setEnabled(true);
        AskExit = false;
        unload();
    }
}

void frmErrorScaleCom::Form_Unload(bool& cancel) {
    if (!AskExit)
        return;
    app::road().askToQuit(this, cancel);
}

}  // namespace vantor::scale
