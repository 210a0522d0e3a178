#include "app/Program.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <cassert>

namespace vantor::app {

namespace {
Program* g_program = nullptr;
}

Program::Program(Services services)
    : m_services(std::move(services)), m_scale(std::make_unique<scale::ScaleWorker>()) {
    assert(!g_program && "one Program at a time");
    g_program = this;
    m_exitHandler = [] { QCoreApplication::exit(0); };
}

Program::~Program() {
    m_scale->stop();
    m_forms.clear();
    g_program = nullptr;
}

Program& Program::instance() {
    assert(g_program);
    return *g_program;
}

QString Program::programFolder() const {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(folder);
    return folder;
}

QString Program::programFile(const QString& name) const { return QDir(programFolder()).filePath(name); }

void Program::end() {
    if (m_ended) return;
    m_ended = true;
    m_scale->stop();
    for (auto& [type, form] : m_forms) form->endSilently();
    m_exitHandler();
}

}  // namespace vantor::app
