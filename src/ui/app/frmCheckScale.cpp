#include "ui/app/frmCheckScale.h"

#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/firmware/IntelHexLoader.h"
#include "core/online/DownloadRules.h"
#include "platform/online/LocalSource.h"
#include "ui/app/Controls.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"

namespace vantor::app {

namespace {

constexpr int kLogoSize = 96;
constexpr int kEnterKey = 13;
const QString kUpdateFile = QStringLiteral("VantorUSA_APROM.hex");

}  // namespace

frmCheckScale::frmCheckScale() {
    setWindowTitle(QStringLiteral("Update Scale"));
    Image1 = makeLabel(this, "Image1");
    Image1->setFixedSize(kLogoSize, kLogoSize);
    Image1->setAccessibleName(QStringLiteral("Vantor logo"));
    showPicture(*Image1, QStringLiteral(":/vantor/logo.svg"), QSize(kLogoSize, kLogoSize));
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
    lblLink->setBuddy(txtLink);
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

    connect(cmdContinue, &QPushButton::clicked, this, &frmCheckScale::cmdContinue_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmCheckScale::cmdExit_Click);
    txtLink->installEventFilter(this);
}

void frmCheckScale::Form_Load() {
    applyLook(*this);
    lblVersion->setText(road().versionLine());
    makeBold(*lblVersion);
    lblSerial->setText(QStringLiteral("Vantor Scale Serial Number:  ") + road().scaleSerial());
    AskExit = true;
    fitToContents(*this);
}

bool frmCheckScale::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtLink && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            txtLink_KeyPress(kEnterKey);
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

// Enter after pasting the link is how most users go on: it does what Continue does (an empty
// box is told so), with the focus on Continue for the next Enter.
void frmCheckScale::txtLink_KeyPress(int keyAscii) {
    if (keyAscii != kEnterKey)
        return;
    cmdContinue->setFocus();
    cmdContinue_Click();
}

void frmCheckScale::cmdContinue_Click() {
    road().showDownloads();
    // Pasted links often carry a line break or tabs besides blanks.
    Link = txtLink->text().trimmed();
    if (Link.isEmpty()) {
        program().dialogs().ask(
            this, {QStringLiteral("Missing Link"), QStringLiteral("Please provide the link on the text box."),
                   Message::Icon::None, Message::Buttons::Ok});
        return;
    }
    // "Continue" cannot start a second transfer while this one runs.
    setEnabled(false);
    const QString destination = program().programFile(kUpdateFile);
    if (const std::optional<QString> local = online::localFileOf(Link)) {
        copyLocalFile(*local, destination);
        return;
    }
    const bool started = road().downloadUpdateFile(
        Link, destination, static_cast<std::int64_t>(firmware::IntelHexLoader::kMaxFileSize),
        [this](bool good) { downloadEnded(good); });
    if (!started)
        setEnabled(true);
}

void frmCheckScale::copyLocalFile(const QString& source, const QString& destination) {
    const QString failure = online::copyLocalFile(source, destination);
    if (!failure.isEmpty()) {
        program().dialogs().ask(this,
                                online::WriteErrorMessage(QFileDevice::CopyError, failure.toStdString()));
    }
    downloadEnded(failure.isEmpty());
}

void frmCheckScale::downloadEnded(bool good) {
    if (program().ended() || !isLoaded())
        return;
    if (good && !updateFileUsable())
        good = false;
    if (!good) {
        // The link stays in its box, to be corrected or tried again.
        setEnabled(true);
        activateWindow();
        txtLink->setFocus();
        return;
    }
    road().updateFileReady();
    setEnabled(true);
    AskExit = false;
    unload();
}

bool frmCheckScale::updateFileUsable() {
    // A link that answered with a web page or a cut-off file has downloaded nothing of use: said
    // here, while the link can still be corrected, not once the update form has taken over.
    const QString file = program().programFile(kUpdateFile);
    const std::optional<Message> refusal = road().updateFileRefusal(file);
    if (!refusal)
        return true;
    QFile::remove(file);
    program().dialogs().ask(this, *refusal);
    return false;
}

void frmCheckScale::cmdExit_Click() {
    AskExit = true;
    road().askToQuit(this);
}

void frmCheckScale::Form_Unload(bool& cancel) {
    if (!AskExit)
        return;
    road().askToQuit(this, cancel);
}

}  // namespace vantor::app
