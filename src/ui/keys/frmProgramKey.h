#pragma once

#include "core/keys/KeyBlock.h"
#include "core/keys/KeyProgramming.h"
#include "core/keys/WeightRateTable.h"
#include "ui/app/Form.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace vantor::keys {

class UpDownArrows;

// The weight-and-rate table editor for one of the scale's six blank keys, and the writing of the
// finished table into that key's block. The table's rules are the core's; the form shows them,
// asks its questions through the program's dialogs and runs the scale exchanges on the worker.
// While it is open the main menu is minimised and cannot be used; closing it gives the menu back.
class frmProgramKey : public app::Form {
    Q_OBJECT
public:
    frmProgramKey();

    // Filled just before programming: the table's weights in grams and rates in cents.
    LongEntries MaxWtsGrams{};
    LongEntries RatesCents{};

    QLabel* lblF1;
    QLabel* lblF2;
    QLabel* lblF3;
    QLabel* lblKeyNum;
    QComboBox* cboKeyNum;
    QLabel* lblWt;
    QRadioButton* optOz;
    QRadioButton* optLb;
    QRadioButton* optGms;
    QLabel* lblMin;
    QLabel* lblMax;
    QLabel* lblRate;
    QLabel* lblOver;
    QLabel* lblTo;
    QLineEdit* txtMinWt;
    QLineEdit* txtMaxWt;
    UpDownArrows* UDMax;
    QLineEdit* txtRate;
    UpDownArrows* UDRate;
    QPushButton* cmdAdd;
    QPushButton* cmdEdit;
    QPushButton* cmdClear;
    QPushButton* cmdProgram;
    QPushButton* cmdClose;
    QLabel* lblCaption;
    QTableWidget* fgridWeightRate;
    QLabel* lblNote;
    QProgressBar* progbarKey;
    QLabel* lblProgramming;

    const WeightRateTable& table() const { return m_table; }
    // Whether a key check or a programming run is under way.
    bool running() const { return m_running; }

    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdClear_Click();
    void cmdClose_Click();
    void cmdProgram_Click();
    void optOz_Click();
    void optLb_Click();
    void optGms_Click();
    void UDMax_UpClick();
    void UDMax_DownClick();
    void UDRate_UpClick();
    void UDRate_DownClick();

signals:
    // Emitted once a key check or programming run has ended and its questions are answered.
    void runEnded();

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
    bool escapeCloses() const override;

private:
    void buildControls();
    void layOut();
    void connectControls();
    Prompts prompts();
    Prompts checkPrompts(bool programmed);
    // The boxes and the key list into the table's rules, and the rules' results back.
    void takeInputs();
    void showTable();
    void showGrid();
    void applyFocus(Focus focus);
    bool addRange();
    // Enter in a box of the range being entered: the range is added, and the next one is typed
    // from its max weight.
    void addRangeByEnter();
    QRadioButton* unitOption() const;
    void changeUnit(std::int16_t unit);
    QRadioButton* checkUnitOption();
    void ClearAllData();
    int chosenKey() const;

    // Programming, step by step as the answers come back from the scale worker.
    void keyChecked(int key, const KeyCheck& check);
    void ProgramData(int key);
    void programmed(int key, const scale::OperationResult& result);
    // A write that failed: Retry writes the same table again once; otherwise the form is handed
    // back with the key's state said plainly. True when a new write is under way.
    bool retryWrite(int key);
    void giveUpWrite(int key, const scale::OperationResult& result);
    void programAnotherKey();
    void endCheck();
    void showStatus(const QString& text, int progress);
    void hideStatus();
    void setRunning(bool running);
    void updateButtons();
    bool startJob(bool started);

    // Fits the form's width to the screen: the table shares what is left beside the inputs.
    void fitToScreen();

    QWidget* m_content = nullptr;  // the controls, inside the form's scroll area
    WeightRateTable m_table;
    bool m_running = false;
    bool m_retried = false;
    bool m_editEnabled = false;
    bool m_clearEnabled = false;
    bool m_programEnabled = false;
    bool m_closeEnabled = true;
};

}  // namespace vantor::keys
