#pragma once

#include "app/Form.h"

class QPushButton;

namespace vantor::zones {

// The zone form: the user pastes the postal service's zone chart and writes it into the scale.
// While it is open the main menu is minimised and cannot be used; closing it gives the menu back.
class frmProgramZip : public app::Form {
    Q_OBJECT
public:
    frmProgramZip();

    QPushButton* cmdClose;

    void cmdClose_Click();

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
};

}  // namespace vantor::zones
