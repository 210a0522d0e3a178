#pragma once

#include "ui/app/Form.h"

class QLabel;
class QPushButton;

namespace vantor::app {

// The one place where the user confirms leaving: either quitting the program (which deletes the
// temporary files and ends it) or declining the new PC program (which closes that window only).
class frmQuit : public Form {
    Q_OBJECT
public:
    frmQuit();

    // Set when the user confirmed declining the new PC program; the version window reads it. Each
    // question starts with it cleared.
    bool CloseWindow = false;

    QLabel* lblQuit;
    // Under the question while a scale update is under way: quitting leaves the scale unusable.
    QLabel* lblUnfinished;
    // During an update that keeps the user's tables: they are saved, and come back with the update.
    QLabel* lblTablesSaved;
    QPushButton* cmdYes;
    QPushButton* cmdCancel;

    void cmdYes_Click();
    void cmdCancel_Click();

    // The plain quit question while the scale's program is being rewritten adds that the scale
    // will not work until it has been updated.
    void setUpdateUnderWay(bool underWay) { m_updateUnderWay = underWay; }

protected:
    void Form_Load() override;
    // Escape is the Cancel answer, as in any question box.
    void reject() override;

private:
    bool m_updateUnderWay = false;
};

}  // namespace vantor::app
