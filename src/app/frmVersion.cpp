#include "app/frmVersion.h"

#include "app/Look.h"

namespace vantor::app {

frmVersion::frmVersion() {
    setWindowTitle(QStringLiteral("Program Version"));
}

void frmVersion::Form_Load() {
    applyLook(*this);
}

}  // namespace vantor::app
