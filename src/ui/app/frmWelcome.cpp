#include "ui/app/frmWelcome.h"

#include <QEvent>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/online/UpdateQueries.h"
#include "core/scale/SerialNumber.h"
#include "platform/app/SerialNumberSetting.h"
#include "ui/app/ClickableLabel.h"
#include "ui/app/Controls.h"
#include "ui/app/Dialogs.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"
#include "ui/app/WebDocument.h"

namespace vantor::app {

namespace {

constexpr int kVersionCheckTickMs = 50;
// Ticks counted before the version check: it runs on the eleventh, once the menu is on screen.
constexpr quint16 kTicksBeforeVersionCheck = 10;
constexpr int kBannerBlinkMs = 1000;
constexpr QSize kBannerSize(480, 60);
// A fetched banner larger than this is shown smaller, so that it cannot push the menu's buttons
// off screen.
constexpr QSize kLargestBanner(640, 200);
// 96 dots an inch: the density a picture is drawn for when it is shown one pixel a screen point.
constexpr double kScreenDotsPerMeter = 96 / 0.0254;
const QString kVersionPrefix = QStringLiteral("Version ");

const char* const kManualPath = "/UserManuals/VantorUSA_Manual.pdf";
const char* const kUpdatePagePath = "/vantorpc/usa/usaorderform.htm";

// The picture in `file` whatever its name says it is; a null picture when it is none.
QPixmap readBanner(const QString& file) {
    QImageReader reader(file);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    QPixmap picture = QPixmap::fromImage(image);
    // A picture that says it is drawn at twice the screen's density (or more) is a high-resolution
    // banner: shown at its size in screen points, crisp on a screen scaled to 200 %.
    // (The density is stored in whole dots a meter: 192 dpi reads back a shade under twice 96.)
    // A density no screen has (a malformed file) would shrink the banner to a speck: four at most.
    const double ratio = std::min(std::floor(image.dotsPerMeterX() / kScreenDotsPerMeter + 0.05), 4.0);
    if (ratio >= 2)
        picture.setDevicePixelRatio(ratio);
    const QSizeF shown = picture.deviceIndependentSize();
    if (shown.width() > kLargestBanner.width() || shown.height() > kLargestBanner.height()) {
        picture = picture.scaled(kLargestBanner * picture.devicePixelRatio(), Qt::KeepAspectRatio,
                                 Qt::SmoothTransformation);
    }
    return picture;
}

}  // namespace

frmWelcome::frmWelcome() {
    setWindowTitle(QStringLiteral("Welcome to Vantor PC Program!"));
    lblWelcome =
        makeLabel(this, "lblWelcome",
                  QStringLiteral("Welcome to Vantor PC Program! This program will let you update your "
                                 "Vantor scale with the latest postage rates and services that are "
                                 "available."));
    lblVersion = makeLabel(this, "lblVersion");
    ImgBanner = makeClickableLabel(this, "ImgBanner");
    showPicture(*ImgBanner, QStringLiteral(":/vantor/banner.svg"), kBannerSize);
    ImgBanner->setAlignment(Qt::AlignCenter);
    // A picture has no caption for a screen reader to read.
    ImgBanner->setAccessibleName(QStringLiteral("Scale software update banner"));
    ImgBanner->setAccessibleDescription(QStringLiteral("Opens the page about the scale software update."));
    // Shown only once the update check has found a scale software update.
    ImgBanner->setVisible(false);
    ImgBanner->installEventFilter(this);

    cmdUpdate = makeButton(this, "cmdUpdate", QStringLiteral("&Update Scale"));
    cmdUpdate->setToolTip(QStringLiteral("Continue updating scale."));
    cmdDownload = makeButton(this, "cmdDownload", QStringLiteral("Download Latest &Manual"));
    cmdProgZip = makeButton(this, "cmdProgZip", QStringLiteral("&Program Zip-Zone/Key"));
    cmdHelp = makeButton(this, "cmdHelp", QStringLiteral("&Help"));
    cmdHelp->setToolTip(QStringLiteral("View help."));
    cmdExit = makeButton(this, "cmdExit", QStringLiteral("E&xit"));
    cmdExit->setToolTip(QStringLiteral("Quit PC Program. Scale will not be updated."));

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer2.setObjectName(QStringLiteral("Timer2"));

    layOut();
    connectControls();
}

void frmWelcome::layOut() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->addWidget(lblWelcome);
    layout->addWidget(lblVersion);
    layout->addWidget(ImgBanner, 0, Qt::AlignHCenter);
    // The row of buttons sets the width; the texts above wrap to it.
    layout->addLayout(centredRow({cmdUpdate, cmdDownload, cmdProgZip, cmdHelp, cmdExit}));
}

void frmWelcome::connectControls() {
    connect(&Timer1, &QTimer::timeout, this, &frmWelcome::Timer1_Timer);
    connect(&Timer2, &QTimer::timeout, this, &frmWelcome::Timer2_Timer);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmWelcome::cmdUpdate_Click);
    connect(cmdDownload, &QPushButton::clicked, this, &frmWelcome::cmdDownload_Click);
    connect(cmdProgZip, &QPushButton::clicked, this, &frmWelcome::cmdProgZip_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmWelcome::cmdHelp_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmWelcome::cmdExit_Click);
    connect(ImgBanner, &ClickableLabel::clicked, this, &frmWelcome::ImgBanner_Click);
}

void frmWelcome::Form_Load() {
    InitForm();
    fitToContents(*this);
    CheckUpdate();
    Timer2.setInterval(kBannerBlinkMs);
    if (UpdateShown) {
        Timer1.stop();
    } else {
        // Also after a reload that came before the check had run: it still runs once per run.
        Timer1.setInterval(kVersionCheckTickMs);
        Timer1.start();
    }
}

void frmWelcome::InitForm() {
    applyLook(*this);
    makeBold(*lblVersion);
    AskExit = true;
    // The splash has long closed by now; its label still holds the version, and reading it must
    // not load the splash again (that would restart the start-up sequence).
    lblVersion->setText(QStringLiteral("Vantor PC Program ") + road().startUpVersion());
}

void frmWelcome::CheckUpdate() {
    const QPointer<frmWelcome> menu(this);
    UpdateReplies replies;
    replies.answered = [menu](online::UpdateAnswer answer) { return menu && menu->updateAnswered(answer); };
    replies.bannerFetched = [menu](const QString& bannerFile) {
        if (menu)
            menu->bannerFetched(bannerFile);
        // The picture lives on in the banner; the file is not kept.
        if (!bannerFile.isEmpty())
            QFile::remove(bannerFile);
    };
    program().onlineChecks().CheckUpdate(this, std::move(replies));
}

bool frmWelcome::updateAnswered(online::UpdateAnswer answer) {
    if (answer == online::UpdateAnswer::Unknown) {
        program().dialogs().ask(
            this, {QStringLiteral("Vantor PC Program"), QString::fromLatin1(online::kUnableToCheckUpdate),
                   Message::Icon::None, Message::Buttons::Ok});
        return false;
    }
    // The menu may have been left for the update road while the server answered: its timer and
    // HideForm (which hides the road's download window) are then no longer the check's to change.
    if (!waitingForAnswers())
        return false;
    if (answer == online::UpdateAnswer::NotAvailable) {
        Timer2.stop();
        return false;
    }
    HideForm = true;
    return true;
}

void frmWelcome::bannerFetched(const QString& bannerFile) {
    if (!waitingForAnswers())
        return;
    if (bannerFile.isEmpty()) {
        // No banner came: nothing announces the update, neither shown nor blinking.
        Timer2.stop();
        ImgBanner->setVisible(false);
        return;
    }
    // Not a picture (an error page, say): the banner keeps the picture it had. The picture is in
    // place before the banner shows, so that the menu makes room for its size.
    const QPixmap picture = readBanner(bannerFile);
    if (!picture.isNull())
        ImgBanner->setPixmap(picture);
    ImgBanner->setVisible(true);
    // The blinking starts with a banner to blink, not while it is still on its way.
    Timer2.start();
}

void frmWelcome::CheckNewVersion() {
    road().beginVersionCheck();
    const QPointer<frmWelcome> menu(this);
    program().onlineChecks().CheckNewVersion(this, [menu](const QString& latest) {
        if (menu)
            menu->latestVersionRead(latest);
    });
}

void frmWelcome::latestVersionRead(const QString& latest) {
    if (program().ended())
        return;
    // Any difference counts, older as well as newer: the server names the one program to run.
    if (road().isThisVersion(latest))
        return;
    if (latest.isEmpty() || latest == kVersionPrefix) {
        const Answer answer = program().dialogs().ask(
            this, {QStringLiteral("Error Encountered"), QString::fromLatin1(online::kUnableToCheckVersion),
                   Message::Icon::Information, Message::Buttons::RetryCancel});
        if (answer == Answer::Retry && !program().ended())
            CheckNewVersion();
        return;
    }
    road().offerNewProgram();
}

bool frmWelcome::waitingForAnswers() const {
    return isLoaded() && !program().ended();
}

void frmWelcome::Timer1_Timer() {
    // Once per run. Marked before the check starts: the check may wait for the server and ask
    // questions, and a tick arriving meanwhile must not start a second one.
    if (UpdateShown) {
        Timer1.stop();
        return;
    }
    if (TimerCount != kTicksBeforeVersionCheck) {
        ++TimerCount;
        return;
    }
    Timer1.stop();
    UpdateShown = true;
    CheckNewVersion();
}

void frmWelcome::Timer2_Timer() {
    // Visible on even ticks, hidden on odd ones: one second each, starting visible.
    ImgBanner->setVisible(m_bannerTicks % 2 == 0);
    ++m_bannerTicks;
}

void frmWelcome::cmdUpdate_Click() {
    if (m_reading)
        return;
    stopBlinking();
    setHourglass(true);
    SerialNumber = SerialNumberSetting::read();
    setReading(true);
    // The read opens the scale's port first when it is closed; the worker owns the port.
    const bool started = operateScale(scale::readSerialNumber, [this](const scale::SerialRead& read) {
        road().setScaleAnswered(read.scaleCom);
        serialNumberRead(QString::fromStdString(read.serial));
    });
    // The link is busy with another exchange (the user has been told): the menu stays as it was.
    if (!started) {
        setReading(false);
        setHourglass(false);
    }
}

void frmWelcome::serialNumberRead(const QString& serial) {
    setReading(false);
    setHourglass(false);
    if (program().ended() || !isLoaded())
        return;

    VantorSN = serial;
    // A garbled answer is no serial number: saved, it would end up packed into the scale's image.
    const bool answered =
        road().scaleAnswered() && !VantorSN.isEmpty() && scale::CheckSerial(VantorSN.toStdString());
    if (answered)
        SerialNumber = VantorSN;
    else
        ErrorScale = true;
    // An update of this scale that was cut short is finished first, from what it left; otherwise
    // the update file comes next, or the error form.
    const bool finishing = road().serialNumberRead(answered, VantorSN.toStdString());
    AskExit = false;
    unload();
    if (!answered)
        return;
    if (!finishing)
        ErrorScale = false;
    SerialNumberSetting::save(SerialNumber);
}

void frmWelcome::setReading(bool reading) {
    // One read at a time, and key or zone programming must not start while it runs.
    m_reading = reading;
    cmdUpdate->setEnabled(!reading);
    cmdProgZip->setEnabled(!reading);
}

void frmWelcome::cmdDownload_Click() {
    HideForm = false;
    DownloadLatestManual();
}

void frmWelcome::DownloadLatestManual() {
    OpenWebDocument(this, webAddress(kManualPath), true);
}

void frmWelcome::ImgBanner_Click() {
    OpenWebDocument(this, webAddress(kUpdatePagePath), false);
}

void frmWelcome::cmdProgZip_Click() {
    road().chooseTables(this);
}

void frmWelcome::cmdHelp_Click() {
    road().openHelp();
    showMinimized();
}

void frmWelcome::cmdExit_Click() {
    road().askToQuit(this);
}

void frmWelcome::restoreWindow() {
    if (!isLoaded())
        return;
    showNormal();
}

void frmWelcome::stepAside() {
    setEnabled(false);
    showMinimized();
}

void frmWelcome::comeBack() {
    setEnabled(true);
    restoreWindow();
}

// Once the banner has come, its place stays while it blinks, so that the buttons under it stay
// put; the window grows to make that place when it first comes.
bool frmWelcome::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ImgBanner && event->type() == QEvent::Show) {
        keepPlaceWhenHidden(*ImgBanner);
        growToFit(*this);
    }
    return Form::eventFilter(watched, event);
}

void frmWelcome::Form_Unload(bool& cancel) {
    road().menuClosing();
    if (AskExit) {
        road().askToQuit(this, cancel);
        if (program().ended())
            return;
    }
    // Also after a declined close: the banner stops blinking and a version check that has not
    // run yet does not run.
    Timer1.stop();
    stopBlinking();
}

void frmWelcome::stopBlinking() {
    // Only a fetched banner blinks; stopped on one of its dark seconds it must not stay hidden.
    if (Timer2.isActive())
        ImgBanner->setVisible(true);
    Timer2.stop();
}

}  // namespace vantor::app
