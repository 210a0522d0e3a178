#include "ui/keys/frmProgramKey.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <chrono>

#include "core/keys/KeyFlow.h"
#include "platform/firmware/HistoryFile.h"
#include "platform/keys/KeysLog.h"
#include "platform/scale/ScalePort.h"
#include "platform/scale/SerialTransport.h"
#include "ui/app/Controls.h"
#include "ui/app/FittingScrollArea.h"
#include "ui/app/Look.h"
#include "ui/app/Program.h"
#include "ui/keys/UpDownArrows.h"

namespace vantor::keys {

using app::program;

namespace {

constexpr int kRangeColumnWidth = 70;
// The form's width where the screen has room for it; on a narrower screen, the screen's.
constexpr int kContentWidth = 860;
constexpr int kWindowFrameWidth = 16;
constexpr int kRowPadding = 8;
constexpr int kRowSpacing = 10;
// The bar runs to 640, one step of 128 for each page of the key's block written.
constexpr int kKeyProgressStep = 128;
constexpr int kKeyProgressMax = kKeyProgressStep * static_cast<int>(kKeyPages);

const char* weightHeader(std::int16_t unit) {
    switch (unit) {
        case kPounds:
            return "Weight Not Over (lbs)";
        case kGrams:
            return "Weight Not Over (gms)";
        default:
            return "Weight Not Over (oz)";
    }
}

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

NumberFormat usersFormat() {
    const QLocale locale;
    return {locale.decimalPoint().toStdString(), locale.groupSeparator().toStdString()};
}

QTableWidgetItem* centredItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

// A box the user reads but never types in: it looks like the form behind it, not like a field.
void markReadOnly(QLineEdit& box) {
    QPalette palette = box.palette();
    palette.setColor(QPalette::Base, app::kBackground.lighter(112));
    box.setPalette(palette);
}

QLineEdit* makeBox(QWidget* parent, const char* name, const QString& tip) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(tip);
    box->setAlignment(Qt::AlignRight);
    box->setMaxLength(20);
    return box;
}

QRadioButton* makeOption(QWidget* parent, const char* name, const QString& caption, const QString& tip) {
    auto* option = new QRadioButton(caption, parent);
    option->setObjectName(QLatin1String(name));
    option->setToolTip(tip);
    return option;
}

}  // namespace

frmProgramKey::frmProgramKey() : m_table(usersFormat()) {
    setWindowTitle(QStringLiteral("Program Keys"));
    // The table grows with the window: this form may be maximised.
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    buildControls();
    layOut();
    connectControls();
}

void frmProgramKey::buildControls() {
    lblF1 = app::makeLabel(
        this, "lblF1",
        QStringLiteral("1. Select which blank key in Vantor scale to be programmed.       Refer to "
                       "your Vantor scale keyboard for key numbers."));
    lblF2 = app::makeLabel(this, "lblF2", QStringLiteral("2. Provide weight range and rates."));
    lblF3 = app::makeLabel(
        this, "lblF3",
        QStringLiteral("3. Review your Weight and Rate Table. If it is already correct,     click "
                       "Program button to continue."));
    // The runs of blanks broke the lines of a fixed-size box; here the texts wrap to the column.
    app::collapseBlanks(*lblF1);
    app::collapseBlanks(*lblF3);
    lblKeyNum = app::makeCaption(this, "lblKeyNum", QStringLiteral("Vantor scale blank key number:"));
    cboKeyNum = new QComboBox(this);
    cboKeyNum->setObjectName(QStringLiteral("cboKeyNum"));
    cboKeyNum->setEditable(false);
    for (int key = 1; key <= kKeyCount; ++key)
        cboKeyNum->addItem(QString::number(key));
    cboKeyNum->setToolTip(QStringLiteral("Look for the key number in your Vantor scale keyboard."));

    lblWt = app::makeCaption(this, "lblWt", QStringLiteral("Weight unit in:"));
    optOz = makeOption(this, "optOz", QStringLiteral("ounces (oz.)"),
                       QStringLiteral("Use ounces as weight unit. Maximum of 192 oz."));
    optLb = makeOption(this, "optLb", QStringLiteral("pounds (lbs.)"),
                       QStringLiteral("Use pounds as weight unit. Maximum of 12 lbs."));
    optGms = makeOption(this, "optGms", QStringLiteral("grams"),
                        QStringLiteral("Use grams as weight unit. Maximum of 5443 gms."));

    lblMin = app::makeCaption(this, "lblMin", QStringLiteral("Min Wt."));
    lblMax = app::makeCaption(this, "lblMax", QStringLiteral("Max Wt."));
    lblRate = app::makeCaption(this, "lblRate", QStringLiteral("Rate/Fee/Cost"));
    lblOver = app::makeCaption(this, "lblOver", QStringLiteral("over"));
    lblTo = app::makeCaption(this, "lblTo", QStringLiteral("up to"));
    txtMinWt = makeBox(this, "txtMinWt", QStringLiteral("Minimum weight for this range."));
    txtMinWt->setReadOnly(true);
    markReadOnly(*txtMinWt);
    txtMaxWt =
        makeBox(this, "txtMaxWt",
                QStringLiteral("Maximum weight for this range. Type in the value or use up-down arrow."));
    UDMax = new UpDownArrows(this, "UDMax");
    UDMax->setToolTip(QStringLiteral("Use this up-down arrow to change max weight."));
    UDMax->attachTo(txtMaxWt);
    txtRate =
        makeBox(this, "txtRate",
                QStringLiteral("Rate for the specified range. Type in the value or use up-down arrow."));
    UDRate = new UpDownArrows(this, "UDRate");
    UDRate->setToolTip(QStringLiteral("Use this up-down arrow to change the rate for the specified range."));
    UDRate->attachTo(txtRate);

    cmdAdd = app::makeButton(this, "cmdAdd", QStringLiteral("&Add"));
    cmdAdd->setToolTip(QStringLiteral("Add the range to the Weight and Rate Table."));
    cmdEdit = app::makeButton(this, "cmdEdit", QStringLiteral("&Edit Last"));
    cmdEdit->setToolTip(QStringLiteral("Edit last entry in the Weight and Rate Table."));
    cmdClear = app::makeButton(this, "cmdClear", QStringLiteral("&Clear All"));
    cmdClear->setToolTip(QStringLiteral("Clear all data entries in the Weight and Rate Table."));
    cmdProgram = app::makeButton(this, "cmdProgram", QStringLiteral("&Program"));
    cmdProgram->setToolTip(QStringLiteral("Program Weight and Rate Table into your Vantor scale."));
    cmdClose = app::makeButton(this, "cmdClose", QStringLiteral("C&lose"));

    lblCaption = app::makeCaption(this, "lblCaption", QStringLiteral("Weight and Rate Table"));
    app::makeBold(*lblCaption);
    fgridWeightRate = new QTableWidget(1, 3, this);
    fgridWeightRate->setObjectName(QStringLiteral("fgridWeightRate"));
    fgridWeightRate->setToolTip(
        QStringLiteral("Weight and Rate Table - this data will be programmed into your Vantor scale."));
    fgridWeightRate->verticalHeader()->setVisible(false);
    fgridWeightRate->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fgridWeightRate->setSelectionMode(QAbstractItemView::NoSelection);
    // The table is only read: Tab leaves it instead of walking its cells.
    fgridWeightRate->setTabKeyNavigation(false);
    fgridWeightRate->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // The columns share the table's width, so that no scroll bar is needed to see the rates.
    fgridWeightRate->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    fgridWeightRate->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    fgridWeightRate->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fgridWeightRate->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lblNote = app::makeLabel(this, "lblNote",
                             QStringLiteral("*Note: You can input a maximum of 128 range or intervals."));

    progbarKey = new QProgressBar(this);
    progbarKey->setObjectName(QStringLiteral("progbarKey"));
    progbarKey->setRange(0, kKeyProgressMax);
    progbarKey->setAccessibleName(QStringLiteral("Key programming progress"));
    lblProgramming = app::makeCaption(this, "lblProgramming");
}

void frmProgramKey::layOut() {
    auto* inputs = new QGridLayout;
    inputs->addWidget(lblMin, 0, 1, Qt::AlignCenter);
    inputs->addWidget(lblMax, 0, 3, Qt::AlignCenter);
    inputs->addWidget(lblRate, 0, 5, Qt::AlignCenter);
    inputs->addWidget(lblOver, 1, 0);
    inputs->addWidget(txtMinWt, 1, 1);
    inputs->addWidget(lblTo, 1, 2);
    auto* max = new QHBoxLayout;
    max->setSpacing(0);
    max->addWidget(txtMaxWt);
    max->addWidget(UDMax);
    inputs->addLayout(max, 1, 3);
    auto* rate = new QHBoxLayout;
    rate->setSpacing(0);
    rate->addWidget(txtRate);
    rate->addWidget(UDRate);
    inputs->addLayout(rate, 1, 5);

    auto* key = new QHBoxLayout;
    key->addWidget(lblKeyNum);
    key->addWidget(cboKeyNum);
    key->addStretch();
    auto* units = new QHBoxLayout;
    units->addWidget(lblWt);
    units->addWidget(optOz);
    units->addWidget(optLb);
    units->addWidget(optGms);
    units->addStretch();

    auto* left = new QVBoxLayout;
    left->setSpacing(kRowSpacing);
    left->addWidget(lblF1);
    left->addLayout(key);
    left->addWidget(lblF2);
    left->addLayout(units);
    left->addLayout(inputs);
    left->addLayout(app::centredRow({cmdAdd, cmdEdit, cmdClear}));
    left->addWidget(lblF3);
    left->addStretch(1);
    // The status of a run keeps its place while hidden: the form does not move when a run starts.
    for (QWidget* status : std::initializer_list<QWidget*>{lblProgramming, progbarKey}) {
        app::keepPlaceWhenHidden(*status);
        left->addWidget(status);
    }

    auto* right = new QVBoxLayout;
    right->setSpacing(kRowSpacing);
    right->addWidget(lblCaption, 0, Qt::AlignCenter);
    right->addWidget(fgridWeightRate, 1);
    right->addWidget(lblNote);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(18);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    auto* content = new QWidget(this);
    m_content = content;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(18, 18, 18, 18);
    layout->setSpacing(18);
    layout->addLayout(columns);
    layout->addLayout(app::centredRow({cmdProgram, cmdClose}));
    content->setMinimumWidth(kContentWidth);
    app::FittingScrollArea::wrap(*this, content);
    // Reading order: the left column, then the table beside it, then the buttons under both.
    setTabOrder(cmdClear, fgridWeightRate);
    setTabOrder(fgridWeightRate, cmdProgram);
}

void frmProgramKey::connectControls() {
    connect(cmdAdd, &QPushButton::clicked, this, &frmProgramKey::cmdAdd_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmProgramKey::cmdEdit_Click);
    connect(cmdClear, &QPushButton::clicked, this, &frmProgramKey::cmdClear_Click);
    connect(cmdProgram, &QPushButton::clicked, this, &frmProgramKey::cmdProgram_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmProgramKey::cmdClose_Click);
    connect(optOz, &QRadioButton::clicked, this, &frmProgramKey::optOz_Click);
    connect(optLb, &QRadioButton::clicked, this, &frmProgramKey::optLb_Click);
    connect(optGms, &QRadioButton::clicked, this, &frmProgramKey::optGms_Click);
    connect(UDMax, &UpDownArrows::upClicked, this, &frmProgramKey::UDMax_UpClick);
    connect(UDMax, &UpDownArrows::downClicked, this, &frmProgramKey::UDMax_DownClick);
    connect(UDRate, &UpDownArrows::upClicked, this, &frmProgramKey::UDRate_UpClick);
    connect(UDRate, &UpDownArrows::downClicked, this, &frmProgramKey::UDRate_DownClick);
    connect(txtMaxWt, &QLineEdit::returnPressed, this, &frmProgramKey::addRangeByEnter);
    connect(txtRate, &QLineEdit::returnPressed, this, &frmProgramKey::addRangeByEnter);
}

void frmProgramKey::Form_Load() {
    app::applyLook(*this);
    m_table = WeightRateTable(usersFormat());
    cboKeyNum->setCurrentIndex(-1);
    optOz->setChecked(true);
    UDMax->setValue(0);
    UDMax->setMaximum(m_table.MaxAllowedWt);
    UDRate->setValue(0);
    fgridWeightRate->setColumnWidth(0, kRangeColumnWidth);
    // Rows as tall as the text needs, once the form's font is set.
    const int rowHeight = fgridWeightRate->fontMetrics().height() + kRowPadding;
    fgridWeightRate->verticalHeader()->setDefaultSectionSize(rowHeight);
    m_editEnabled = m_clearEnabled = m_programEnabled = false;
    m_closeEnabled = true;
    hideStatus();
    progbarKey->setValue(0);
    showTable();
    fitToScreen();
    app::fitToContents(*this);
    // The form is read from step 1 on: the key list has the focus, whatever was used last time.
    cboKeyNum->setFocus(Qt::OtherFocusReason);
}

// The table needs its width, but no more than the screen has (200 % on a 1600-pixel screen leaves
// 800): its columns share what the inputs leave, so that every one of them is seen. Only a screen
// narrower than the inputs themselves makes the form scroll sideways.
void frmProgramKey::fitToScreen() {
    int width = kContentWidth;
    if (const QScreen* shown = screen())
        width = std::min(width, shown->availableGeometry().width() - kWindowFrameWidth);
    m_content->setMinimumWidth(std::max(width, m_content->layout()->minimumSize().width()));
}

void frmProgramKey::Form_Unload(bool& cancel) {
    // A run under way owns the scale link and this form's table; it ends first.
    if (m_running) {
        cancel = true;
        return;
    }
    ClearAllData();
    app::road().backToMenu();
}

// Escape leaves a typed table alone: Close (or the close box) is the way to give it up.
bool frmProgramKey::escapeCloses() const {
    return m_table.rowCount() == 0 && !m_running;
}

void frmProgramKey::cmdClose_Click() {
    unload();
}

// --- The table ---

Prompts frmProgramKey::prompts() {
    return {[this](const Message& message) { program().dialogs().ask(this, message); },
            [this](const Message& message) {
                return program().dialogs().ask(this, message) == app::Answer::Yes;
            }};
}

int frmProgramKey::chosenKey() const {
    return cboKeyNum->currentIndex() + 1;
}

void frmProgramKey::takeInputs() {
    m_table.keyNumber = chosenKey();
    m_table.txtMinWt = txtMinWt->text().toStdString();
    m_table.txtMaxWt = txtMaxWt->text().toStdString();
    m_table.txtRate = txtRate->text().toStdString();
}

void frmProgramKey::showTable() {
    txtMinWt->setText(text(m_table.txtMinWt));
    txtMaxWt->setText(text(m_table.txtMaxWt));
    txtRate->setText(text(m_table.txtRate));
    UDMax->setMaximum(m_table.MaxAllowedWt);
    showGrid();
    updateButtons();
}

// The header, a row for each range and always one empty row below the last.
void frmProgramKey::showGrid() {
    fgridWeightRate->setHorizontalHeaderLabels(
        {QStringLiteral("Range*"), QLatin1String(weightHeader(m_table.WtUnit)), QStringLiteral("Rate")});
    const auto& rows = m_table.rows();
    fgridWeightRate->setRowCount(static_cast<int>(rows.size()) + 1);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const GridRow& row = rows[static_cast<std::size_t>(r)];
        fgridWeightRate->setItem(r, 0, centredItem(QString::number(r + 1)));
        fgridWeightRate->setItem(r, 1, centredItem(text(row.maxWeight)));
        fgridWeightRate->setItem(r, 2, centredItem(text(row.rate)));
    }
    for (int c = 0; c < 3; ++c)
        fgridWeightRate->setItem(static_cast<int>(rows.size()), c, centredItem({}));
    // The newest row, and the empty one under it, stay in view however long the table grows.
    fgridWeightRate->scrollToItem(fgridWeightRate->item(static_cast<int>(rows.size()), 0),
                                  QAbstractItemView::EnsureVisible);
}

void frmProgramKey::applyFocus(Focus focus) {
    if (focus == Focus::KeyNumber)
        cboKeyNum->setFocus();
    else if (focus == Focus::MaxWeight)
        txtMaxWt->setFocus();
}

void frmProgramKey::cmdAdd_Click() {
    addRange();
}

bool frmProgramKey::addRange() {
    takeInputs();
    Focus focus = Focus::None;
    const bool added = m_table.add(prompts(), focus);
    if (added)
        m_editEnabled = m_clearEnabled = m_programEnabled = true;
    showTable();
    applyFocus(focus);
    return added;
}

void frmProgramKey::addRangeByEnter() {
    if (m_running || !addRange())
        return;
    txtMaxWt->setFocus();
    txtMaxWt->selectAll();
}

void frmProgramKey::cmdEdit_Click() {
    takeInputs();
    m_table.editLast();
    if (m_table.rowCount() == 0)
        m_editEnabled = m_programEnabled = false;
    showTable();
}

void frmProgramKey::cmdClear_Click() {
    takeInputs();
    if (m_table.clearAll(prompts())) {
        ClearAllData();
        m_programEnabled = false;
    }
    showTable();
}

void frmProgramKey::ClearAllData() {
    m_table.ClearAllData();
    UDMax->setValue(0);
    UDRate->setValue(0);
    m_editEnabled = m_clearEnabled = false;
    // An emptied table has nothing to program, however it was emptied.
    m_programEnabled = false;
    showTable();
}

void frmProgramKey::optOz_Click() {
    changeUnit(kOunces);
}
void frmProgramKey::optLb_Click() {
    changeUnit(kPounds);
}
void frmProgramKey::optGms_Click() {
    changeUnit(kGrams);
}

void frmProgramKey::changeUnit(std::int16_t unit) {
    takeInputs();
    const bool hadRows = m_table.rowCount() > 0;
    Focus focus = Focus::None;
    if (!m_table.changeUnit(unit, prompts(), focus)) {
        // The focus goes with the tick, so that the arrow keys go on from the unit in use. The
        // option the arrow key moved to takes the focus after this handler: it is moved back later.
        QRadioButton* current = checkUnitOption();
        QMetaObject::invokeMethod(
            this, [current] { current->setFocus(Qt::OtherFocusReason); }, Qt::QueuedConnection);
        return;
    }
    if (hadRows && m_table.rowCount() == 0)
        ClearAllData();
    checkUnitOption();
    showTable();
    applyFocus(focus);
}

QRadioButton* frmProgramKey::checkUnitOption() {
    QRadioButton* current = m_table.WtUnit == kPounds ? optLb : m_table.WtUnit == kGrams ? optGms : optOz;
    current->setChecked(true);
    return current;
}

void frmProgramKey::UDMax_UpClick() {
    takeInputs();
    Focus focus = Focus::None;
    m_table.UDMax_UpClick(prompts(), focus);
    showTable();
    applyFocus(focus);
}

void frmProgramKey::UDMax_DownClick() {
    takeInputs();
    Focus focus = Focus::None;
    m_table.UDMax_DownClick(prompts(), focus);
    showTable();
    applyFocus(focus);
}

void frmProgramKey::UDRate_UpClick() {
    takeInputs();
    Focus focus = Focus::None;
    m_table.UDRate_UpClick(prompts(), focus);
    showTable();
    applyFocus(focus);
}

void frmProgramKey::UDRate_DownClick() {
    takeInputs();
    Focus focus = Focus::None;
    m_table.UDRate_DownClick(prompts(), focus);
    showTable();
    applyFocus(focus);
}

// --- Programming ---

void frmProgramKey::cmdProgram_Click() {
    if (m_running)
        return;
    const int key = chosenKey();
    if (key < 1 || m_table.rowCount() == 0) {
        applyFocus(Focus::KeyNumber);
        return;
    }
    qCInfo(lcKeys) << "checking key" << key << "before writing a table of" << m_table.rowCount() << "rows";
    setHourglass(true);
    showStatus(QStringLiteral("Checking key %1 for previous programmed data....").arg(key), 0);
    // A port that cannot be opened (or leads to another scale, left closed) fails the serial-number
    // read at once.
    // The port is closed after each job: idle at a question or back at the menu, the program
    // leaves it to vantor-cli and other programs.
    const bool started = operateScale(
        [key](scale::SerialTransport& transport, const scale::PortReadiness&) {
            KeyCheck check = checkKey(transport, key);
            transport.close();
            return check;
        },
        [this, key](KeyCheck check) { keyChecked(key, check); });
    if (!startJob(started))
        hideStatus();
}

bool frmProgramKey::startJob(bool started) {
    if (started)
        setRunning(true);
    else
        setHourglass(false);
    return started;
}

void frmProgramKey::keyChecked(int key, const KeyCheck& check) {
    if (program().ended())
        return;
    qCInfo(lcKeys).noquote() << "key" << key << "check: serial" << QString::fromStdString(check.serial.serial)
                             << (check.check.answered() ? (check.check.programmed ? "programmed" : "blank")
                                                        : "no answer");
    const bool programmed = check.check.answered() && check.check.programmed;
    // A programmed key fills the bar: the overwrite question is asked over the finished check.
    if (programmed)
        progbarKey->setValue(kKeyProgressMax);
    switch (afterKeyCheck(check, key, checkPrompts(programmed))) {
        case AfterCheck::ScaleSilent:
            hideStatus();
            setHourglass(false);
            app::road().askToRetry(*this);
            break;
        case AfterCheck::KeyKept:
            hideStatus();
            // The key list is usable again only once the check has ended.
            setRunning(false);
            applyFocus(Focus::KeyNumber);
            break;
        case AfterCheck::Stop:
            break;
        case AfterCheck::Write:
            MaxWtsGrams = weightsInGrams(m_table.MaxWts, m_table.WtUnit);
            RatesCents = ratesInCents(m_table.Rates);
            showStatus(QStringLiteral("Programming rates and functions of key %1....").arg(key), 0);
            m_closeEnabled = false;
            return ProgramData(key);
    }
    endCheck();
}

// The overwrite question of a programmed key is asked over the finished check, its status in view;
// every other message of the check comes with the status put away and the bar full.
Prompts frmProgramKey::checkPrompts(bool programmed) {
    return {[this](const Message& message) {
                hideStatus();
                prompts().tell(message);
            },
            [this, overwriteFirst = programmed](const Message& message) mutable {
                if (!overwriteFirst) {
                    progbarKey->setValue(kKeyProgressMax);
                    hideStatus();
                }
                overwriteFirst = false;
                return prompts().confirm(message);
            }};
}

void frmProgramKey::endCheck() {
    setRunning(false);
    setHourglass(false);
    emit runEnded();
}

void frmProgramKey::ProgramData(int key) {
    progbarKey->setEnabled(true);
    // The block is complete before the first page goes out: the table cannot change under the run.
    const Bytes block = keyBlock(MaxWtsGrams, RatesCents);
    const std::atomic<bool>& cancel = scaleCancelFlag();
    const bool started = operateScale(
        [key, block, &cancel](scale::SerialTransport& transport, const scale::PortReadiness&,
                              const scale::ProgressSink& progress) {
            const auto started = std::chrono::steady_clock::now();
            const scale::OperationResult result = keys::ProgramData(transport, key, block, progress, cancel);
            firmware::recordOperation(firmware::history_operation::kKey, result, "key " + std::to_string(key),
                                      started);
            transport.close();
            return result;
        },
        [this](const scale::Progress& progress) {
            // A report that arrives after the run was handed back changes nothing.
            if (m_running)
                progbarKey->setValue(static_cast<int>(progress.done) * kKeyProgressStep);
        },
        [this, key](scale::OperationResult result) { programmed(key, result); });
    if (!startJob(started))
        endCheck();
}

void frmProgramKey::programmed(int key, const scale::OperationResult& result) {
    qCInfo(lcKeys).noquote() << "key" << key
                             << "table write:" << QString::fromStdString(scale::describe(result));
    setRunning(false);
    if (program().ended() || result.cancelled())
        return;
    setHourglass(false);
    if (result.succeeded()) {
        if (prompts().confirm(messages::kProgrammed))
            programAnotherKey();
        else
            unload();
    } else {
        if (retryWrite(key))
            return;
        giveUpWrite(key, result);
    }
    progbarKey->setValue(0);
    m_retried = false;
    emit runEnded();
}

bool frmProgramKey::retryWrite(int key) {
    if (m_retried || !app::road().askToRetry(*this) || program().ended())
        return false;
    m_retried = true;
    setHourglass(true);
    showStatus(QStringLiteral("Programming rates and functions of key %1....").arg(key), 0);
    ProgramData(key);
    return m_running;
}

// The table stays in the form for another Program; the user is told what the key now holds.
void frmProgramKey::giveUpWrite(int key, const scale::OperationResult& result) {
    if (program().ended())
        return;
    setHourglass(false);
    hideStatus();
    progbarKey->setEnabled(false);
    m_closeEnabled = true;
    updateButtons();
    prompts().tell(
        messages::incompleteTable(key, static_cast<int>(result.pagesDone), static_cast<int>(kKeyPages)));
}

void frmProgramKey::programAnotherKey() {
    ClearAllData();
    m_table.resetForNextKey();
    optOz->setChecked(true);
    UDMax->setMaximum(m_table.MaxAllowedWt);
    m_programEnabled = false;
    m_closeEnabled = true;
    hideStatus();
    progbarKey->setValue(0);
    showTable();
    applyFocus(Focus::KeyNumber);
}

void frmProgramKey::showStatus(const QString& status, int progress) {
    lblProgramming->setText(status);
    lblProgramming->setVisible(true);
    progbarKey->setValue(progress);
    progbarKey->setVisible(true);
}

void frmProgramKey::hideStatus() {
    lblProgramming->setVisible(false);
    progbarKey->setVisible(false);
}

// Nothing that could change the table or start a second run is usable while the scale works.
void frmProgramKey::setRunning(bool running) {
    m_running = running;
    for (QWidget* control : std::initializer_list<QWidget*>{cboKeyNum, optOz, optLb, optGms, txtMaxWt,
                                                            txtRate, UDMax, UDRate, cmdAdd})
        control->setEnabled(!running);
    // With the other boxes disabled, the focus would fall to the read-only one and select its text.
    txtMinWt->setFocusPolicy(running ? Qt::NoFocus : Qt::StrongFocus);
    if (running) {
        txtMinWt->deselect();
        if (txtMinWt->hasFocus())
            setFocus();
    }
    updateButtons();
}

void frmProgramKey::updateButtons() {
    cmdEdit->setEnabled(m_editEnabled && !m_running);
    cmdClear->setEnabled(m_clearEnabled && !m_running);
    cmdProgram->setEnabled(m_programEnabled && !m_running);
    cmdClose->setEnabled(m_closeEnabled && !m_running);
}

}  // namespace vantor::keys
