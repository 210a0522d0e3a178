#pragma once

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "support/ScopedEnvironment.h"

namespace vantor::app {
class Program;
}

namespace vantor::test {

class FakeDesktop;
class ScriptedHttpServer;
class ScreenDialogs;
class Shooter;
class SimulatorProcess;

// Walks the whole program as a user would (with vantor-scale-sim as the scale and a local web
// server for the update file), taking a picture of every form in its initial state and its main
// later states, and of the message boxes on the way.
class ScreenTour {
public:
    explicit ScreenTour(Shooter& shooter);
    ~ScreenTour();

    // False when a step did not come about; the shooter holds what went wrong.
    bool run();

private:
    void isolate();
    void serveDownloads();
    void startProgram();
    void splashAndErrorForms();
    void choosePortToMenu();
    void menuStates();
    void versionWindow();
    void help();
    void keyForm();
    void zoneForm();
    void linkForm();
    void downloadMidway();
    void updateRun();
    void refusedUpdateFile();

    bool waitFor(const std::function<bool()>& condition, const QString& what, int ms = 20000);
    void click(QWidget& form, const char* name);

    Shooter& m_shooter;
    ScopedEnvironment m_environment;
    QTemporaryDir m_config;
    QTemporaryDir m_data;
    QTemporaryDir m_scale;
    std::unique_ptr<SimulatorProcess> m_simulator;
    std::unique_ptr<ScriptedHttpServer> m_server;
    ScreenDialogs* m_dialogs = nullptr;
    FakeDesktop* m_desktop = nullptr;
    std::unique_ptr<app::Program> m_program;
    bool m_ok = true;
};

}  // namespace vantor::test
