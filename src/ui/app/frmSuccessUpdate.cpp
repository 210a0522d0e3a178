#include "ui/app/frmSuccessUpdate.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "ui/app/Controls.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"

namespace vantor::app {

namespace {

constexpr int kCloseTickMs = 1000;
// Ticks counted before the success text shows: it comes on the next one, the eleventh.
constexpr quint16 kTicksBeforeSuccess = 9;

}  // namespace

frmSuccessUpdate::frmSuccessUpdate() {
    setWindowTitle(QStringLiteral("Updating Scale Information"));
    lblUpdate = makeLabel(this, "lblUpdate", QStringLiteral("Updating scale information, please wait...."));
    lblSuccess = makeLabel(
        this, "lblSuccess",
        QStringLiteral("Your Vantor scale has been updated successfully. You may now start using it "
                       "with its latest postage rates. Please do not hesitate to contact us if you "
                       "have problems with the updated software."));
    lblTables = makeLabel(this, "lblTables", QString());
    lblTables->setVisible(false);
    cmdExit = makeButton(this, "cmdExit", QStringLiteral("E&xit"));
    cmdExit->setVisible(false);
    keepPlaceWhenHidden(*cmdExit);
    // The wait text and the success text share one place, as large as the larger: the window
    // keeps its size when the one follows the other.
    m_texts = new QStackedWidget(this);
    m_texts->addWidget(lblUpdate);
    m_texts->addWidget(lblSuccess);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->addWidget(m_texts);
    layout->addWidget(lblTables);
    layout->addLayout(centredRow({cmdExit}));
    setMinimumWidth(480);

    Timer1.setObjectName(QStringLiteral("Timer1"));
    connect(&Timer1, &QTimer::timeout, this, &frmSuccessUpdate::Timer1_Timer);
    connect(cmdExit, &QPushButton::clicked, this, &frmSuccessUpdate::cmdExit_Click);
}

void frmSuccessUpdate::Form_Load() {
    applyLook(*this);
    fitToContents(*this);
}

void frmSuccessUpdate::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    // The window system may not activate a window it shows; being shown starts the wait as well.
    QMetaObject::invokeMethod(this, &frmSuccessUpdate::Form_Activate, Qt::QueuedConnection);
}

void frmSuccessUpdate::Form_Activate() {
    // Once the success text shows, or while the wait runs, an activation changes nothing.
    if (m_done || Timer1.isActive() || !isLoaded())
        return;
    setHourglass(true);
    Timer1.setInterval(kCloseTickMs);
    Timer1.start();
}

void frmSuccessUpdate::Timer1_Timer() {
    if (TimerCount <= kTicksBeforeSuccess) {
        ++TimerCount;
        return;
    }
    m_done = true;
    setWindowTitle(QStringLiteral("Successful Scale Update"));
    setHourglass(false);
    Timer1.stop();
    m_texts->setCurrentWidget(lblSuccess);
    lblTables->setVisible(!lblTables->text().isEmpty());
    cmdExit->setVisible(true);
    // The form's only control: a keyboard user ends the program with Enter.
    cmdExit->setFocus();
}

void frmSuccessUpdate::cmdExit_Click() {
    endProgram();
}

void frmSuccessUpdate::Form_Unload(bool& cancel) {
    Q_UNUSED(cancel);
    endProgram();
}

void frmSuccessUpdate::endProgram() {
    Timer1.stop();
    program().endDeletingTemporaryFiles();
}

}  // namespace vantor::app
