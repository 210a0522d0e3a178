#include "ui/app/frmVersion.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app/OpenFailure.h"
#include "core/online/ServerAddresses.h"
#include "ui/app/Controls.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"
#include "ui/app/WebDocument.h"

namespace vantor::app {

namespace {

constexpr int kPictureSize = 72;
const QColor kLatestColour(0, 0, 255);
const char* const kInstallerPath = "/VantorDownload/VantorUSA_PCProgram.exe";

QString installerAddress() {
    return QString::fromStdString(
        online::joinUrl(online::ServerAddresses::fromEnvironment().downloadServer, kInstallerPath));
}

}  // namespace

frmVersion::frmVersion() {
    setWindowTitle(QStringLiteral("Program Version"));
    Image1 = makeLabel(this, "Image1");
    Image1->setFixedSize(kPictureSize, kPictureSize);
    Image1->setAccessibleName(QStringLiteral("New version"));
    showPicture(*Image1, QStringLiteral(":/vantor/newversion.svg"), QSize(kPictureSize, kPictureSize));
    lblStatus = makeLabel(
        this, "lblStatus",
        QStringLiteral("It has been automatically detected that your PC Program is not the latest version."));
    lblPCProg = makeLabel(this, "lblPCProg");
    makeBold(*lblPCProg);
    lblLatestVer = makeCaption(this, "lblLatestVer", QStringLiteral("Latest PC Program Version:"));
    lblLatest = makeCaption(this, "lblLatest");
    lblLatest->setToolTip(QStringLiteral("This is the latest PC Program version available."));
    lblProgVer = makeCaption(this, "lblProgVer", QStringLiteral("Your PC Program Version:"));
    lblProg = makeCaption(this, "lblProg");
    lblProg->setToolTip(QStringLiteral("This is the version of the current/running PC Program."));
    cmdDownloadPCProg = makeButton(this, "cmdDownloadPCProg", QStringLiteral("&Download PC Program"));
    cmdDownloadPCProg->setToolTip(QStringLiteral("Download the latest PC Program for free."));
    cmdExit = makeButton(this, "cmdExit", QStringLiteral("E&xit"));
    // Usable only once a differing version has been found.
    cmdDownloadPCProg->setEnabled(false);
    cmdExit->setEnabled(false);

    layOut();
    connect(cmdDownloadPCProg, &QPushButton::clicked, this, &frmVersion::cmdDownloadPCProg_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmVersion::cmdExit_Click);
}

void frmVersion::layOut() {
    auto* versions = new QGridLayout;
    versions->setHorizontalSpacing(16);
    versions->setVerticalSpacing(6);
    versions->addWidget(lblLatestVer, 0, 0);
    versions->addWidget(lblLatest, 0, 1);
    versions->addWidget(lblProgVer, 1, 0);
    versions->addWidget(lblProg, 1, 1);
    versions->setColumnStretch(1, 1);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(12);
    texts->addWidget(lblPCProg);
    texts->addWidget(lblStatus);
    texts->addLayout(versions);
    auto* top = new QHBoxLayout;
    top->setSpacing(24);
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addLayout(texts);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->addLayout(top);
    layout->addLayout(centredRow({cmdDownloadPCProg, cmdExit}));
    setMinimumWidth(520);
}

void frmVersion::Form_Load() {
    applyLook(*this);
    lblPCProg->setText(road().versionLine());
    AskExit = true;
    NewVersion = true;
    fitToContents(*this);
}

void frmVersion::offer() {
    QPalette palette = lblLatest->palette();
    palette.setColor(QPalette::WindowText, kLatestColour);
    lblLatest->setPalette(palette);
    cmdDownloadPCProg->setEnabled(true);
    cmdExit->setEnabled(true);
    showForm();
}

void frmVersion::Form_GotFocus() {
    AskExit = true;
    NewVersion = true;
}

void frmVersion::Form_LostFocus() {
    // The quit question this window opened takes the focus, and its Yes still has to know that it
    // is about this window; any other window's question clears the flag itself.
    if (road().quitQuestionOpen())
        return;
    NewVersion = false;
}

bool frmVersion::event(QEvent* event) {
    if (isLoaded()) {
        if (event->type() == QEvent::WindowActivate)
            Form_GotFocus();
        else if (event->type() == QEvent::WindowDeactivate)
            Form_LostFocus();
    }
    return Form::event(event);
}

void frmVersion::cmdExit_Click() {
    NewVersion = true;
    // Modal: left open beside the other windows, the question could be answered after the flag
    // had come to mean the scale question, and its Yes would then end the whole program.
    road().askToDeclineNewProgram(this);
}

void frmVersion::cmdDownloadPCProg_Click() {
    road().showDownloads();
    DownloadPCProgram();
}

void frmVersion::DownloadPCProgram() {
    showMinimized();
    const int result = OpenWebDocument(this, installerAddress(), true);
    // The new program is on its way: the scale update road is left, by its own confirmation.
    if (openSucceeded(result)) {
        road().leaveUpdateRoad();
        if (program().ended())
            return;
    }
    AskExit = false;
    unload();
}

void frmVersion::Form_Unload(bool& cancel) {
    if (!AskExit)
        return;
    // The question is about this window: skipping the new PC program, not quitting.
    NewVersion = true;
    const bool declined = road().askToDeclineNewProgram(this);
    if (program().ended() || declined)
        return;
    cancel = true;
}

}  // namespace vantor::app
