#pragma once

#include "ui/app/Form.h"

class QLabel;
class QPushButton;

namespace vantor::keys {

// The chooser between zone programming and blank-key programming, shown modally over the menu.
class frmZipKey : public app::Form {
    Q_OBJECT
public:
    frmZipKey();

    QLabel* lblChoose;
    QPushButton* cmdZip;
    QPushButton* cmdKey;

    void cmdZip_Click();
    void cmdKey_Click();

protected:
    void Form_Load() override;

private:
    // Closes the chooser and opens `form` while the menu steps aside.
};

}  // namespace vantor::keys
