#include "ui/app/frmStartUp.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <utility>

#include "core/online/ServerAddresses.h"
#include "platform/online/ConnectionProbe.h"
#include "ui/app/Controls.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"

namespace vantor::app {

namespace {

constexpr int kStartUpTickMs = 1000;
constexpr int kLogoSize = 128;

// What each tick does, by the number of ticks handled before it.
enum Tick : quint16 { kWait = 0, kCheckInternet = 1, kHandOver = 2 };

}  // namespace

frmStartUp::frmStartUp() : m_probe(new online::ConnectionProbe(this)) {
    setWindowTitle(QStringLiteral("Vantor PC Program"));

    imgLogo = makeLabel(this, "imgLogo", QString());
    imgLogo->setFixedSize(kLogoSize, kLogoSize);
    imgLogo->setAccessibleName(QStringLiteral("Vantor logo"));
    showPicture(*imgLogo, QStringLiteral(":/vantor/logo.svg"), QSize(kLogoSize, kLogoSize));
    lblTitle = makeLabel(this, "lblTitle", QStringLiteral("Vantor USA PC Program"));
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(titleFont.pointSize() + 6);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = makeLabel(this, "lblVersion", QString());
    lblOrvik =
        makeLabel(this, "lblOrvik", QStringLiteral("Copyright \u00A9 Vantor USA. All rights reserved."));
    lblLoading = makeLabel(this, "lblLoading", QStringLiteral("Loading, please wait...."));

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addStretch();
    texts->addWidget(lblOrvik);
    texts->addWidget(lblLoading);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(24);
    layout->addWidget(imgLogo, 0, Qt::AlignTop);
    layout->addLayout(texts);
    setMinimumWidth(520);

    Timer1.setObjectName(QStringLiteral("Timer1"));
    connect(&Timer1, &QTimer::timeout, this, &frmStartUp::Timer1_Timer);
}

void frmStartUp::Form_Load() {
    AskExit = true;
    VersionNum = QStringLiteral("Version 3.0");
    applyLook(*this);
    setHourglass(true);
    makeBold(*lblVersion);
    lblVersion->setText(VersionNum);
    Timer1.setInterval(kStartUpTickMs);
    Timer1.start();
}

void frmStartUp::Timer1_Timer() {
    if (!isLoaded()) {
        Timer1.stop();
        return;
    }
    // The Internet check is still out: this tick waits for it rather than piling up behind it.
    if (m_checking)
        return;

    switch (TimerCount) {
        case kWait:
            break;
        case kCheckInternet:
            // The tick ends when the check answers; until then the sequence stands still.
            Timer1.stop();
            m_checking = true;
            CheckConnection([this](bool connected) { connectionChecked(connected); });
            return;
        case kHandOver:
            handOver();
            break;
        default:
            break;
    }
    ++TimerCount;
}

void frmStartUp::CheckConnection(std::function<void(bool)> done) {
    const QUrl address(QString::fromStdString(online::ServerAddresses::fromEnvironment().probeUrl));
    m_probe->check(address, std::move(done));
}

void frmStartUp::connectionChecked(bool connected) {
    m_checking = false;
    if (!isLoaded() || program().ended())
        return;
    ++TimerCount;
    m_connectionFailed = !connected;
    // The quit question is open: the sequence goes on (or ends) once it has been answered.
    if (m_askingToQuit) {
        m_answerWaiting = true;
        return;
    }
    goOnAfterCheck();
}

void frmStartUp::goOnAfterCheck() {
    if (!m_connectionFailed) {
        Timer1.start();
        return;
    }
    Timer1.stop();
    // An update cut short is finished from the journal's own copy of the update file: the scale
    // is looked for all the same. Nothing else in the program can work offline.
    if (road().offlineWithUnfinishedUpdate(this)) {
        AskExit = false;
        unload();
        return;
    }
    road().offline();
}

void frmStartUp::handOver() {
    road().startUpDone();
    AskExit = false;
    unload();
}

void frmStartUp::Form_Unload(bool& cancel) {
    Timer1.stop();
    if (!AskExit) {
        setHourglass(false);
        return;
    }
    m_askingToQuit = true;
    road().askToQuit(this, cancel);
    m_askingToQuit = false;
    if (program().ended())
        return;
    if (std::exchange(m_answerWaiting, false))
        return goOnAfterCheck();
    // After a failed check the sequence must not go on: the next tick would open the port form
    // although the computer is offline.
    if (!m_connectionFailed)
        Timer1.start();
}

}  // namespace vantor::app
