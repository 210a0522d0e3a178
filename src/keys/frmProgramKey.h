#pragma once

#include "app/Form.h"

class QPushButton;

namespace vantor::keys {

// The weight-and-rate table editor for one of the scale's six blank keys. While it is open the
// main menu is minimised and cannot be used; closing it gives the menu back.
class frmProgramKey : public app::Form {
    Q_OBJECT
public:
    frmProgramKey();

    QPushButton* cmdClose;

    void cmdClose_Click();

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
};

}  // namespace vantor::keys
