#include <QApplication>
#include <QStyleFactory>
#include <memory>

#include "app/Desktop.h"
#include "app/Dialogs.h"
#include "app/Program.h"
#include "app/ServerChecks.h"
#include "app/frmStartUp.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Also the settings' organisation and application: the stored serial number lives under them.
    QApplication::setOrganizationName(QStringLiteral("VantorUSA_PCProgram"));
    QApplication::setApplicationName(QStringLiteral("VantorUSA_PCProgram"));
    // One look on every platform, so that the program's colour shows on its buttons.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    // The servers' addresses come from VANTOR_WEB_SERVER and VANTOR_DOWNLOAD_SERVER when they are set.
    vantor::app::Program program({std::make_unique<vantor::app::MessageBoxDialogs>(),
                                  std::make_unique<vantor::app::SystemDesktop>(),
                                  std::make_unique<vantor::app::ServerChecks>()});
    program.form<vantor::app::frmStartUp>().showForm();
    return QApplication::exec();
}
