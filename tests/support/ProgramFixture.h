#pragma once

#include <gtest/gtest.h>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

#include "FakeDesktop.h"
#include "QtPrinters.h"
#include "RecordingOnlineChecks.h"
#include "ScopedEnvironment.h"
#include "ScriptedDialogs.h"
#include "ui/app/Program.h"

class QAction;

namespace vantor::test {

// A whole program for one test: scripted dialogs, a fake desktop, recorded online checks,
// settings and program files in temporary folders, no serial ports but those a test names, and
// end() recorded instead of exiting.
class ProgramFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    app::Program& program() { return *m_program; }
    ScriptedDialogs& dialogs() { return *m_dialogs; }
    FakeDesktop& desktop() { return *m_desktop; }
    RecordingOnlineChecks& onlineChecks() { return *m_onlineChecks; }
    ScopedEnvironment& environment() { return m_environment; }
    int endCount() const { return m_endCount; }

    // The control called `name` on `form`; fails the test when there is none.
    template <class W = QWidget>
    static W* control(QWidget& form, const QString& name) {
        W* found = form.findChild<W*>(name);
        EXPECT_NE(found, nullptr) << "no " << name.toStdString() << " on " << form.objectName().toStdString();
        return found;
    }
    static QAction* action(QWidget& form, const QString& name);
    // Clicks the button called `name` on `form`.
    static void click(QWidget& form, const QString& name);

private:
    ScopedEnvironment m_environment;
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_data;
    ScriptedDialogs* m_dialogs = nullptr;
    FakeDesktop* m_desktop = nullptr;
    RecordingOnlineChecks* m_onlineChecks = nullptr;
    std::unique_ptr<app::Program> m_program;
    int m_endCount = 0;
};

}  // namespace vantor::test
