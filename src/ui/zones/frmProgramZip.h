#pragma once

#include <optional>

#include "core/zones/ZoneChart.h"
#include "core/zones/ZoneFlow.h"
#include "core/zones/ZoneMessages.h"
#include "core/zones/ZoneProgramming.h"
#include "core/zones/ZoneTable.h"
#include "ui/app/Dialogs.h"
#include "ui/app/Form.h"

class QHBoxLayout;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace vantor::app {
class ClickableLabel;
}

namespace vantor::zones {

// The zone form: the user pastes the postal service's zone chart for an origin prefix and writes
// its zone table into the scale. While it is open the main menu is minimised and cannot be used;
// closing it gives the menu back. The chart is read and the table written by the core; this form
// takes the text, asks, and shows how the run goes.
class frmProgramZip : public app::Form {
    Q_OBJECT
public:
    frmProgramZip();

    // The chart as the last Program read it (sorted once it was accepted).
    ZoneChart Chart;

    QLabel* lblCopy;
    QPlainTextEdit* txtZipZone;
    QPushButton* cmdPaste;
    QPushButton* cmdProgram;
    QPushButton* cmdClose;
    QLabel* lblInstruction1;
    app::ClickableLabel* lblSite;
    QLabel* lblInstruction2;
    QProgressBar* progbarZipZone;
    QLabel* lblProgramming;

    // Whether the zone table is being written into the scale.
    bool running() const { return m_running; }

    void cmdPaste_Click();
    void txtZipZone_Change();
    void lblSite_Click();
    void cmdClose_Click();
    void cmdProgram_Click();

    // Where a run's result arrives on this form's thread; public so that the end of a run the
    // simulator cannot stage quickly (a scale gone silent for seconds) can be shown directly.
    void programmingEnded(const scale::OperationResult& result);

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
    bool escapeCloses() const override;

private:
    void layOut();
    Prompts prompts();
    void ProgramData(const ZoneTablePages& pages);
    void showPasteCaption();
    void showClearCaption();
    void setRunning(bool running);
    void showProgress(int value);
    void succeed();
    void fail(const scale::OperationResult& result);
    bool retryWrite();
    void tell(const Message& message);

    bool m_running = false;
    std::optional<ZoneTablePages> m_pages;  // the table last written, for a Retry
    bool m_retried = false;                 // a failed write is tried again once
    QHBoxLayout* m_siteRow = nullptr;
};

}  // namespace vantor::zones
