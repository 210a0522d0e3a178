#include "app/frmVersion.h"

#include "app/Look.h"
#include "app/Program.h"
#include "app/frmQuit.h"

namespace vantor::app {

frmVersion::frmVersion() {
    setWindowTitle(QStringLiteral("Program Version"));
}

void frmVersion::Form_Load() {
    applyLook(*this);
    AskExit = true;
    NewVersion = true;
}

void frmVersion::Form_Unload(bool& cancel) {
    if (!AskExit)
        return;
    // The question is about this window: skipping the new PC program, not quitting.
    NewVersion = true;
    frmQuit& quit = program().form<frmQuit>();
    quit.showModal(this);
    if (program().ended() || quit.CloseWindow)
        return;
    cancel = true;
}

}  // namespace vantor::app
