#include "ui/app/frmDownload.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

#include "core/online/modGlobals.h"
#include "platform/online/FreeSpace.h"
#include "ui/app/Controls.h"
#include "ui/app/DownloadAnimation.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"

namespace vantor::app {

using online::Downloader;
using online::DownloadProgress;

namespace {

constexpr int kLabelWidth = 360;

QString byteSize(double size, std::string_view mask = {}) {
    return QString::fromStdString(online::FormatByteSize(size, mask, QLocale().decimalPoint().toStdString()));
}

// Whole percent, a half going up.
int percentOf(std::int64_t part, std::int64_t whole) {
    if (whole <= 0)
        return 0;
    return static_cast<int>(std::floor(100.0 * static_cast<double>(part) / static_cast<double>(whole) + 0.5));
}

}  // namespace

frmDownload::frmDownload() {
    setWindowTitle(QStringLiteral("Downloading....."));
    StatusLabel = makeLabel(this, "StatusLabel");
    SourceLabel = makeLabel(this, "SourceLabel");
    ToLabel = makeLabel(this, "ToLabel");
    TimeLabel = makeLabel(this, "TimeLabel");
    RateLabel = makeLabel(this, "RateLabel");
    for (QLabel* shortened : {SourceLabel, ToLabel}) {
        // FitTextToLabel shortens these to the label's width; wrapping would hide the need.
        shortened->setWordWrap(false);
        shortened->setFixedWidth(kLabelWidth);
    }
    EstimatedTimeLeft = makeLabel(this, "EstimatedTimeLeft", QStringLiteral("Estimated time left:"));
    DownloadTo = makeLabel(this, "DownloadTo", QStringLiteral("Download to:"));
    TransferRate = makeLabel(this, "TransferRate", QStringLiteral("Transfer rate:"));
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(false);
    ProgressBar->setAccessibleName(QStringLiteral("Download progress"));
    Animation1 = new DownloadAnimation(this);
    Animation1->setAccessibleName(QStringLiteral("Download animation"));
    Animation1->setObjectName(QStringLiteral("Animation1"));
    chkClose = new QCheckBox(QStringLiteral("Close this box when download is completed."), this);
    chkClose->setObjectName(QStringLiteral("chkClose"));
    chkClose->setChecked(true);
    CancelButton = makeButton(this, "CancelButton", QStringLiteral("Cancel"));

    auto* details = new QGridLayout;
    details->addWidget(EstimatedTimeLeft, 0, 0);
    details->addWidget(TimeLabel, 0, 1);
    details->addWidget(DownloadTo, 1, 0);
    details->addWidget(ToLabel, 1, 1);
    details->addWidget(TransferRate, 2, 0);
    details->addWidget(RateLabel, 2, 1);
    details->setColumnStretch(1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(chkClose);
    bottom->addStretch();
    bottom->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addWidget(Animation1, 0, Qt::AlignHCenter);
    layout->addWidget(StatusLabel);
    layout->addWidget(SourceLabel);
    layout->addWidget(ProgressBar);
    layout->addLayout(details);
    layout->addLayout(bottom);
    setFixedWidth(kLabelWidth + 160);

    connect(CancelButton, &QPushButton::clicked, this, &frmDownload::CancelButton_Click);
}

frmDownload::~frmDownload() {
    stopSilently();
}

void frmDownload::Form_Load() {
    applyLook(*this);
    // Off screen until DownloadFile centres it, so that nothing shows half laid out.
    move(-width(), -height());
    setWindowTitle(QStringLiteral("Downloading....."));
    AskAgain = true;
}

bool frmDownload::DownloadFile(const QString& strURL, const QString& strDestination, const QString& UserName,
                               const QString& Password, Done done) {
    if (downloading())
        return false;
    CancelSearch = false;
    m_url = strURL;
    m_destination = strDestination;
    m_fileName = QFileInfo(strDestination).fileName();
    m_done = std::move(done);
    m_finishing = false;
    load();
    for (QLabel* label : {SourceLabel, TimeLabel, ToLabel, RateLabel})
        label->clear();
    ProgressBar->setRange(0, 1);
    ProgressBar->setValue(0);
    m_shown = {};
    m_lastDrawn.invalidate();
    Animation1->play();
    if (!road().downloadsHidden()) {
        show();
        centre();
        raise();
        activateWindow();
    }

    QUrl url = QUrl::fromUserInput(strURL);
    if (!UserName.isEmpty())
        url.setUserName(UserName);
    if (!Password.isEmpty())
        url.setPassword(Password);
    if (m_downloader)
        m_downloader.release()->deleteLater();  // it may still be on the stack of its last callback
    m_downloader = std::make_unique<Downloader>(hooks());
    m_downloader->setSizeLimit(m_sizeLimit);
    m_downloader->setRefuseWebPages(true);  // this window fetches the update file only
    m_downloader->start(url, strDestination,
                        [this](const Downloader::Outcome& outcome) { finished(outcome); });
    return true;
}

Downloader::Hooks frmDownload::hooks() {
    Downloader::Hooks hooks;
    hooks.phase = [this](Downloader::Phase phase) { showPhase(phase); };
    hooks.progress = [this](const DownloadProgress& progress) { showProgress(progress); };
    hooks.tell = [this](const vantor::Message& message) { program().dialogs().ask(this, message); };
    hooks.confirmRestart = [this](const vantor::Message& message) {
        return program().dialogs().ask(this, message) == Answer::Yes;
    };
    hooks.confirmRetry = [this](const vantor::Message& message) {
        return program().dialogs().ask(this, message) == Answer::Retry;
    };
    hooks.freeSpace = online::freeBytesAt;
    return hooks;
}

void frmDownload::centre() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
}

void frmDownload::showPhase(Downloader::Phase phase) {
    switch (phase) {
        case Downloader::Phase::GettingInformation:
            StatusLabel->setText(QStringLiteral("Getting file information..."));
            break;
        case Downloader::Phase::Resuming:
            StatusLabel->setText(QStringLiteral("Resuming download..."));
            break;
        case Downloader::Phase::Saving:
            StatusLabel->setText(QStringLiteral("Saving:"));
            showSource();
            break;
        case Downloader::Phase::Completed:
            StatusLabel->setText(QStringLiteral("Download completed!"));
            break;
    }
}

void frmDownload::showSource() {
    const QUrl url = QUrl::fromUserInput(m_url);
    const QString urlFileName =
        QString::fromStdString(online::SplitPathPart(url.path().toStdString(), true, true));
    SourceLabel->setText(fitted(*SourceLabel, urlFileName + QStringLiteral(" from ") + url.host()));
    ToLabel->setText(fitted(*ToLabel, QDir::toNativeSeparators(m_destination)));
}

QString frmDownload::fitted(const QLabel& label, const QString& text) const {
    const QFontMetrics metrics(label.font());
    const int room = label.width();
    const std::u32string shown =
        online::FitTextToLabel(text.toStdU32String(), [&](const std::u32string& candidate) {
            return metrics.horizontalAdvance(QString::fromStdU32String(candidate)) <= room;
        });
    return QString::fromStdU32String(shown);
}

void frmDownload::showProgress(const DownloadProgress& progress) {
    m_shown = progress;
    if (m_lastDrawn.isValid() && m_lastDrawn.elapsed() < kRefreshMs)
        return;
    m_lastDrawn.start();
    drawProgress(progress);
}

void frmDownload::drawProgress(const DownloadProgress& progress) {
    const auto received = static_cast<double>(progress.received);
    if (progress.total) {
        TimeLabel->setText(QString::fromStdString(online::FormatSeconds(progress.secondsLeft)) +
                           QStringLiteral(" (") + byteSize(received) + QStringLiteral(" of ") +
                           byteSize(static_cast<double>(*progress.total)) + QStringLiteral(" copied)"));
        // The bar counts in bytes while they fit its range, in kilobytes beyond.
        const int shift = *progress.total > INT_MAX ? 10 : 0;
        ProgressBar->setRange(0, static_cast<int>(*progress.total >> shift));
        ProgressBar->setValue(static_cast<int>(progress.received >> shift));
        setWindowTitle(QStringLiteral("%1% of %2 Completed")
                           .arg(percentOf(progress.received, *progress.total))
                           .arg(m_fileName));
    } else {
        // A reply without a length: how much has come, with no end to measure against.
        TimeLabel->setText(QStringLiteral("Unknown (") + byteSize(received) + QStringLiteral(" copied)"));
        ProgressBar->setRange(0, 0);
        setWindowTitle(byteSize(received) + QStringLiteral(" of ") + m_fileName +
                       QStringLiteral(" Completed"));
    }
    RateLabel->setText(byteSize(progress.bytesPerSecond, online::kMaskRate) + QStringLiteral("/Sec"));
}

void frmDownload::finished(const Downloader::Outcome& outcome) {
    CancelSearch = outcome.cancelSearch;
    if (outcome.good()) {
        // Exact at the end, whatever the refresh skipped.
        m_shown.received = outcome.received;
        m_shown.total = outcome.total;
        m_shown.secondsLeft = 0;
        drawProgress(m_shown);
    }
    Animation1->close();
    AskAgain = false;
    // Whether to cancel is no question once the transfer has ended.
    program().dialogs().closeQuestionsOver(this);
    m_finishing = true;
    unload();
    m_finishing = false;
    const Done done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(outcome.result);
}

void frmDownload::CancelButton_Click() {
    Animation1->stop();
    askToCancel();
}

bool frmDownload::askToCancel() {
    const bool yes = program().dialogs().ask(this, online::CancelQuestion()) == Answer::Yes;
    // The transfer may have ended while the question was open: nothing is left to cancel then.
    if (!downloading())
        return yes;
    if (!yes) {
        Animation1->play();
        return false;
    }
    StatusLabel->setText(QStringLiteral("Cancelling..."));
    Animation1->close();
    CancelSearch = true;
    AskAgain = false;
    m_downloader->cancel();
    return true;
}

void frmDownload::Form_Unload(bool& cancel) {
    if (!AskAgain)
        return;
    // The close box: the transfer goes on unless the user confirms; a Yes ends it, and its end
    // closes the window.
    cancel = true;
    askToCancel();
}

void frmDownload::reject() {
    // Escape is the Cancel button.
    if (isLoaded() && AskAgain) {
        CancelButton_Click();
        return;
    }
    Form::reject();
}

void frmDownload::setVisible(bool visible) {
    // Hidden while the transfer still runs and not by its own end: the program is ending.
    if (!visible && downloading() && !m_finishing)
        stopSilently();
    Form::setVisible(visible);
}

void frmDownload::stopSilently() {
    if (!downloading())
        return;
    // Nothing is asked and nobody is called back; the partial file is closed and removed.
    m_done = nullptr;
    m_downloader.reset();
    Animation1->close();
    AskAgain = false;
}

}  // namespace vantor::app
