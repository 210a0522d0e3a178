#include "ProgramFixture.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QSettings>

namespace vantor::test {

void ProgramFixture::SetUpTestSuite() {
    if (QApplication::instance())
        return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vantor-test";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);  // lives for the whole test program
    QApplication::setOrganizationName(QStringLiteral("VantorUSA_PCProgram"));
    QApplication::setApplicationName(QStringLiteral("VantorUSA_PCProgram"));
    QApplication::setQuitOnLastWindowClosed(false);
}

void ProgramFixture::SetUp() {
    m_config = std::make_unique<QTemporaryDir>();
    m_data = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(m_config->isValid() && m_data->isValid());
    m_environment.set("XDG_CONFIG_HOME", m_config->path().toUtf8());
    // QSettings reads XDG_CONFIG_HOME once per process; every test gets its own store all the same.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config->path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config->path());
    m_environment.set("XDG_DATA_HOME", m_data->path().toUtf8());
    // No serial port is opened but those a test names: the machine's own are left alone.
    m_environment.unset("VANTOR_SERIAL_PORTS");
    m_environment.set("VANTOR_ONLY_PORTS", "");

    auto dialogs = std::make_unique<ScriptedDialogs>();
    auto desktop = std::make_unique<FakeDesktop>();
    auto onlineChecks = std::make_unique<RecordingOnlineChecks>();
    m_dialogs = dialogs.get();
    m_desktop = desktop.get();
    m_onlineChecks = onlineChecks.get();
    m_program = std::make_unique<app::Program>(
        app::Program::Services{std::move(dialogs), std::move(desktop), std::move(onlineChecks)});
    m_program->setExitHandler([this] { ++m_endCount; });
}

void ProgramFixture::TearDown() {
    if (m_dialogs) {
        EXPECT_TRUE(m_dialogs->allScriptUsed()) << "scripted answers left unused";
    }
    m_program.reset();
    m_data.reset();
    m_config.reset();
}

QAction* ProgramFixture::action(QWidget& form, const QString& name) {
    QAction* found = form.findChild<QAction*>(name);
    EXPECT_NE(found, nullptr) << "no action " << name.toStdString() << " on "
                              << form.objectName().toStdString();
    return found;
}

void ProgramFixture::click(QWidget& form, const QString& name) {
    if (auto* button = control<QPushButton>(form, name))
        button->click();
}

}  // namespace vantor::test
