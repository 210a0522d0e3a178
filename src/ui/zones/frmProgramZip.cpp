#include "ui/zones/frmProgramZip.h"
#include "platform/zones/ZonesLog.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <atomic>
#include <chrono>

#include "core/zones/ZoneMessages.h"
#include "platform/firmware/HistoryFile.h"
#include "platform/scale/ScalePort.h"
#include "ui/app/ClickableLabel.h"
#include "ui/app/Controls.h"
#include "ui/app/FittingScrollArea.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"
#include "ui/app/WebDocument.h"

namespace vantor::zones {

using app::program;

namespace {

// The bar runs from 0 to 768 and moves by 128 after each page of the zone table written.
constexpr int kZoneProgressStep = 128;
constexpr int kZoneProgressMax = kZoneProgressStep * static_cast<int>(kZoneTablePages);

// The postal service's zone-chart page, where the user gets the chart for an origin prefix.
const QString kZoneChartAddress = QStringLiteral("https://postcalc.usps.com/Zonecharts");

const QString kPasteCaption = QStringLiteral("P&aste");
const QString kPasteTip = QStringLiteral("Click to paste copied data from USPS website");
const QString kClearCaption = QStringLiteral("C&lear");
const QString kClearTip = QStringLiteral("Click to clear current data");

const QString kInstruction1 = QStringLiteral("Instructions:\n\n1.  Go to ");
// How far the first step's words stand in from its number.
const QString kStepNumber = QStringLiteral("1.  ");
constexpr int kStepSpacing = 12;
// Each step is followed by an empty line, except the last.
const char* const kInstruction2Steps[] = {
    "2. Get the zone chart of the zip that you want to use in your Vantor USA scale.",
    "3. In the web page, type your 3-digit zip prefix and click Get Zone Chart button.",
    "4. Wait for the web page to display the entire zone chart.",
    "5. On the Edit menu of your web browser, click Select All. "
    "You will notice that the whole contents of the web page are highlighted.",
    "6. On the Edit menu of your web browser, click Copy.",
    "7. Go back to Program Zip/Zone window of Vantor USA PC Program.",
    "8. Paste the data that you copied on the textbox on the left. You should see the data for zip/zone.",
    "9. Click Program button.",
    "10. Wait for a confirmation of successful zip/zone programming.",
};

QString instruction2() {
    QStringList steps;
    for (const char* step : kInstruction2Steps)
        steps << QString::fromUtf8(step);
    return steps.join(QStringLiteral("\n\n"));
}

}  // namespace

frmProgramZip::frmProgramZip() {
    setWindowTitle(QStringLiteral("Program Zip/Zone"));
    // The chart box grows with the window: this form may be maximised.
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    lblCopy = app::makeLabel(this, "lblCopy",
                             QStringLiteral("Copy zone chart of your desired ZIP and paste it here:"));
    txtZipZone = new QPlainTextEdit(this);
    txtZipZone->setObjectName(QStringLiteral("txtZipZone"));
    txtZipZone->setToolTip(QStringLiteral("Paste zip/zone data from USPS website here."));
    txtZipZone->setLineWrapMode(QPlainTextEdit::NoWrap);
    cmdPaste = app::makeButton(this, "cmdPaste", kPasteCaption);
    cmdPaste->setToolTip(kPasteTip);
    cmdProgram = app::makeButton(this, "cmdProgram", QStringLiteral("&Program"));
    cmdProgram->setToolTip(QStringLiteral("Program Vantor scale's zip/zone"));
    cmdClose = app::makeButton(this, "cmdClose", QStringLiteral("&Close"));
    lblInstruction1 = app::makeCaption(this, "lblInstruction1");
    lblSite = app::makeLinkLabel(this, "lblSite", kZoneChartAddress);
    lblInstruction2 = app::makeLabel(this, "lblInstruction2");
    progbarZipZone = new QProgressBar(this);
    progbarZipZone->setObjectName(QStringLiteral("progbarZipZone"));
    progbarZipZone->setAccessibleName(QStringLiteral("Zone table programming progress"));
    progbarZipZone->setRange(0, kZoneProgressMax);
    lblProgramming = app::makeLabel(this, "lblProgramming",
                                    QStringLiteral("Programming postal zones into Vantor scale...."));
    layOut();

    connect(cmdPaste, &QPushButton::clicked, this, &frmProgramZip::cmdPaste_Click);
    connect(txtZipZone, &QPlainTextEdit::textChanged, this, &frmProgramZip::txtZipZone_Change);
    connect(lblSite, &app::ClickableLabel::clicked, this, &frmProgramZip::lblSite_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmProgramZip::cmdClose_Click);
    connect(cmdProgram, &QPushButton::clicked, this, &frmProgramZip::cmdProgram_Click);
}

// The chart on the left, the instructions on the right (they speak of "the textbox on the left").
void frmProgramZip::layOut() {
    auto* chart = new QVBoxLayout;
    chart->setSpacing(10);
    chart->addWidget(lblCopy);
    chart->addWidget(txtZipZone, 1);
    chart->addLayout(app::centredRow({cmdPaste, cmdProgram, cmdClose}));
    // The run's status keeps its place while hidden: the chart box does not shrink when it starts.
    for (QWidget* status : std::initializer_list<QWidget*>{lblProgramming, progbarZipZone}) {
        app::keepPlaceWhenHidden(*status);
        chart->addWidget(status);
    }

    auto* instructions = new QVBoxLayout;
    instructions->setSpacing(0);
    instructions->addWidget(lblInstruction1);
    // The link completes the first step, "Go to": close under it, in line with its words.
    m_siteRow = new QHBoxLayout;
    m_siteRow->addWidget(lblSite);
    m_siteRow->addStretch();
    instructions->addLayout(m_siteRow);
    instructions->addSpacing(kStepSpacing);
    instructions->addWidget(lblInstruction2);
    instructions->addStretch();

    auto* content = new QWidget(this);
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(24);
    layout->addLayout(chart, 3);
    layout->addLayout(instructions, 2);
    // Room for a chart's columns; on a smaller screen the form scrolls rather than squash it.
    content->setMinimumSize(860, 560);
    app::FittingScrollArea::wrap(*this, content);
}

void frmProgramZip::Form_Load() {
    app::applyLook(*this);
    // The chart's columns line up only in a font whose characters are all as wide.
    txtZipZone->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lblInstruction1->setText(kInstruction1);
    m_siteRow->setContentsMargins(lblInstruction1->fontMetrics().horizontalAdvance(kStepNumber), 0, 0, 0);
    lblInstruction2->setText(instruction2());
    // A new visit starts afresh: a scale gone silent in the last one left the form disabled, and
    // the chart pasted then may not be the one wanted now.
    setEnabled(true);
    txtZipZone->clear();
    txtZipZone_Change();
    progbarZipZone->setValue(0);
    progbarZipZone->setVisible(false);
    lblProgramming->setVisible(false);
    setRunning(false);
    app::fitToContents(*this);
}

void frmProgramZip::Form_Unload(bool& cancel) {
    // The table is half written while a run goes on; the run's end gives the form back.
    if (m_running) {
        cancel = true;
        return;
    }
    app::road().backToMenu();
}

// Escape leaves a pasted chart alone: Close (or the close box) is the way to give it up.
bool frmProgramZip::escapeCloses() const {
    return txtZipZone->toPlainText().isEmpty() && !m_running;
}

void frmProgramZip::cmdClose_Click() {
    unload();
}

// --- The chart ---

void frmProgramZip::cmdPaste_Click() {
    if (cmdPaste->text() == kPasteCaption)
        txtZipZone->setPlainText(program().desktop().clipboardText());
    else
        txtZipZone->clear();
    txtZipZone_Change();
}

// The box is read-only whenever it holds a chart, so a pasted chart is not changed by a stray key;
// Clear empties it for the next paste.
void frmProgramZip::txtZipZone_Change() {
    const bool filled = !txtZipZone->document()->isEmpty();
    txtZipZone->setReadOnly(filled);
    if (filled)
        showClearCaption();
    else
        showPasteCaption();
}

void frmProgramZip::showPasteCaption() {
    cmdPaste->setText(kPasteCaption);
    cmdPaste->setToolTip(kPasteTip);
}

void frmProgramZip::showClearCaption() {
    cmdPaste->setText(kClearCaption);
    cmdPaste->setToolTip(kClearTip);
}

void frmProgramZip::lblSite_Click() {
    app::OpenWebDocument(this, kZoneChartAddress, false);
}

// --- Programming ---

void frmProgramZip::cmdProgram_Click() {
    if (m_running)
        return;
    // QPlainTextEdit gives line ends as LF and non-breaking spaces from the web page as spaces.
    const ZoneWrite write = askToWriteZones(txtZipZone->toPlainText().toStdString(), prompts());
    Chart = write.chart;
    if (write.confirmed())
        ProgramData(write.pages);
}

Prompts frmProgramZip::prompts() {
    return {[this](const Message& refusal) { tell(refusal); },
            [this](const Message& question) {
                return program().dialogs().ask(this, question) == app::Answer::Yes;
            }};
}

void frmProgramZip::ProgramData(const ZoneTablePages& pages) {
    m_pages = pages;
    const std::atomic<bool>& cancel = scaleCancelFlag();
    // A port that cannot be opened (or leads to another scale, left closed) fails the first
    // exchange: the page write reports it.
    const bool started = operateScale(
        [pages, &cancel, what = "origin " + Chart.OriginZip](scale::SerialTransport& transport,
                                                             const scale::PortReadiness&,
                                                             const scale::ProgressSink& progress) {
            const auto started = std::chrono::steady_clock::now();
            const scale::OperationResult result = zones::ProgramData(transport, pages, progress, cancel);
            firmware::recordOperation(firmware::history_operation::kZones, result, what, started);
            // Back at the menu, the program leaves the port to vantor-cli and other programs.
            transport.close();
            return result;
        },
        [this](const scale::Progress& progress) {
            showProgress(static_cast<int>(progress.done) * kZoneProgressStep);
        },
        [this](const scale::OperationResult& result) { programmingEnded(result); });
    if (!started)
        return;
    qCInfo(lcZones) << "zone table write started:" << static_cast<qint64>(pages.size()) << "pages";
    setRunning(true);
    setHourglass(true);
    lblProgramming->setVisible(true);
    progbarZipZone->setValue(0);
    progbarZipZone->setEnabled(true);
    progbarZipZone->setVisible(true);
}

// Nothing that changes the chart or leaves the form may run while the table is being written.
void frmProgramZip::setRunning(bool running) {
    m_running = running;
    for (QPushButton* button : {cmdPaste, cmdProgram, cmdClose})
        button->setEnabled(!running);
}

void frmProgramZip::showProgress(int value) {
    if (m_running)
        progbarZipZone->setValue(value);
}

void frmProgramZip::programmingEnded(const scale::OperationResult& result) {
    qCInfo(lcZones) << "zone table write"
                    << (result.succeeded()   ? "verified"
                        : result.cancelled() ? "cancelled"
                                             : "failed")
                    << "after" << static_cast<qint64>(result.pagesDone) << "pages";
    setRunning(false);
    setHourglass(false);
    if (program().ended())
        return;
    // The serial number is read first: none came back when the scale did not answer at all.
    app::road().setScaleAnswered(!result.serial.empty());
    if (result.succeeded())
        succeed();
    else if (!result.cancelled())
        fail(result);
    if (!program().ended())
        progbarZipZone->setValue(0);
}

void frmProgramZip::succeed() {
    m_retried = false;
    tell(successMessage());
    txtZipZone->clear();
    progbarZipZone->setValue(0);
    progbarZipZone->setVisible(false);
    lblProgramming->setVisible(false);
}

// The chart stays for another try. Retry writes the whole table again, once, as the key form does;
// a scale that stopped answering leaves the form disabled until the user chooses. A table written
// in part is said as such: the scale then holds neither the old table nor the new one.
void frmProgramZip::fail(const scale::OperationResult& result) {
    if (result.scaleSilent())
        setEnabled(false);
    if (retryWrite())
        return;
    m_retried = false;
    if (program().ended())
        return;
    progbarZipZone->setEnabled(false);
    lblProgramming->setVisible(false);
    const bool inFlight = result.stage == scale::Stage::Write || result.stage == scale::Stage::ReadBack;
    if (result.pagesDone > 0 || (inFlight && result.page))
        tell(incompleteTableMessage(static_cast<int>(result.pagesDone), static_cast<int>(kZoneTablePages)));
}

bool frmProgramZip::retryWrite() {
    if (m_retried || !app::road().askToRetry(*this) || program().ended() || !m_pages)
        return false;
    m_retried = true;
    ProgramData(*m_pages);
    return m_running;
}

void frmProgramZip::tell(const Message& message) {
    program().dialogs().ask(this, message);
}

}  // namespace vantor::zones
