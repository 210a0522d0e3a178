#include "ui/app/Program.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cassert>

#include "platform/app/DataFolder.h"
#include "ui/app/LoggedDialogs.h"

// The pictures are compiled into the forms' library; a static library's resources must be
// registered by hand, before the first form is made.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace vantor::app {

namespace {

Program* g_program = nullptr;

// The menu's checks while no server side is given: nothing is asked, nothing changes.
class NoOnlineChecks : public OnlineChecks {
public:
    void CheckUpdate(QWidget*, UpdateReplies) override {}
    void CheckNewVersion(QWidget*, VersionReply) override {}
};

}  // namespace

Program::Program(Services services)
    : m_services(std::move(services)), m_scale(std::make_unique<scale::ScaleWorker>()) {
    assert(!g_program && "one Program at a time");
    g_program = this;
    initResources();
    m_exitHandler = [] { QCoreApplication::exit(0); };
    m_services.dialogs = std::make_unique<LoggedDialogs>(std::move(m_services.dialogs));
    if (!m_services.onlineChecks)
        m_services.onlineChecks = std::make_unique<NoOnlineChecks>();
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
    return DataFolder::made();
}

QString Program::programFile(const QString& name) const {
    return QDir(programFolder()).filePath(name);
}

namespace {
// The banner picture and the downloaded scale image live only as long as the program runs.
const char* const kTemporaryFiles[] = {"VantorUSA_APROM.hex", "usaupdatebanner.jpg"};
}  // namespace

void Program::stopEverything() {
    m_ended = true;
    m_scale->stop();
    // Hidden forms stop what they run; the download window deletes its partial file.
    for (auto& [type, form] : m_forms)
        form->endSilently();
}

void Program::end() {
    if (m_ended)
        return;
    stopEverything();
    m_exitHandler();
}

void Program::endDeletingTemporaryFiles() {
    if (m_ended)
        return;
    stopEverything();
    // A file that is missing or locked is simply left: nothing must keep the program from ending.
    for (const char* name : kTemporaryFiles)
        QFile::remove(programFile(QLatin1String(name)));
    m_exitHandler();
}

}  // namespace vantor::app
