#include <QLabel>
#include <QPushButton>

#include "app/Look.h"
#include "app/frmCheckScale.h"
#include "app/frmHelp.h"
#include "app/frmQuit.h"
#include "app/frmVersion.h"
#include "app/frmWelcome.h"
#include "keys/frmProgramKey.h"
#include "keys/frmZipKey.h"
#include "scale/frmErrorScaleCom.h"
#include "scale/frmErrorScaleCom2.h"
#include "support/ProgramFixture.h"
#include "zones/frmProgramZip.h"

namespace vantor::test {
namespace {

class LookTest : public ProgramFixture {};

TEST_F(LookTest, EveryFormPaintsItselfItsLabelsAndButtonsInTheProgramsColourWithVerdanaAtLoad) {
    const std::vector<app::Form*> forms = {
        &program().form<app::frmWelcome>(),         &program().form<app::frmHelp>(),
        &program().form<app::frmCheckScale>(),      &program().form<app::frmQuit>(),
        &program().form<app::frmVersion>(),         &program().form<keys::frmZipKey>(),
        &program().form<keys::frmProgramKey>(),     &program().form<zones::frmProgramZip>(),
        &program().form<scale::frmErrorScaleCom>(), &program().form<scale::frmErrorScaleCom2>()};
    for (app::Form* form : forms) {
        SCOPED_TRACE(form->objectName().toStdString());
        form->load();
        std::vector<QWidget*> painted = {form};
        for (QLabel* label : form->findChildren<QLabel*>())
            painted.push_back(label);
        for (QPushButton* button : form->findChildren<QPushButton*>())
            painted.push_back(button);
        for (QWidget* widget : painted) {
            EXPECT_EQ(widget->palette().color(QPalette::Window), app::kBackground)
                << widget->objectName().toStdString();
            EXPECT_EQ(widget->palette().color(QPalette::Button), app::kBackground)
                << widget->objectName().toStdString();
            EXPECT_EQ(widget->font().families().value(0), "Verdana") << widget->objectName().toStdString();
        }
    }
}

}  // namespace
}  // namespace vantor::test
