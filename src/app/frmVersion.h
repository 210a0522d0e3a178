#pragma once

#include "app/Form.h"

namespace vantor::app {

// The window that offers a newer PC program. Its flags decide which question the quit dialog asks.
class frmVersion : public Form {
    Q_OBJECT
public:
    frmVersion();

    // True while this window is the one whose closing is being confirmed.
    bool NewVersion = false;
    // True: closing the window first asks whether the user really skips the new PC program.
    bool AskExit = false;

protected:
    void Form_Load() override;
    void Form_Unload(bool& cancel) override;
};

}  // namespace vantor::app
