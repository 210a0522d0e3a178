#pragma once

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <typeindex>

#include "platform/scale/ScaleWorker.h"
#include "ui/app/Desktop.h"
#include "ui/app/Dialogs.h"
#include "ui/app/Form.h"
#include "ui/app/OnlineChecks.h"
#include "ui/app/Road.h"

namespace vantor::app {

// What the whole program shares: the forms (each made on first use and kept for the run), the
// dialogs, desktop and online-check seams, the scale worker, and the one way to end the program.
class Program {
public:
    struct Services {
        std::unique_ptr<Dialogs> dialogs;
        std::unique_ptr<Desktop> desktop;
        // Until the real checks are given, the menu asks nothing.
        std::unique_ptr<OnlineChecks> onlineChecks;
    };

    explicit Program(Services services);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    static Program& instance();

    Dialogs& dialogs() { return *m_services.dialogs; }
    Desktop& desktop() { return *m_services.desktop; }
    OnlineChecks& onlineChecks() { return *m_services.onlineChecks; }
    scale::ScaleWorker& scale() { return *m_scale; }
    Road& road() { return m_road; }

    // The form of type F, made on first use.
    template <class F>
    F& form();
    template <class F>
    bool hasForm() const {
        return m_forms.count(typeid(F)) != 0;
    }

    // The per-user folder for the program's temporary files (downloaded image, banner).
    QString programFolder() const;
    QString programFile(const QString& name) const;

    // Ends the program at once: the scale worker is stopped and the port closed, every form
    // disappears without its closing handler, and the event loop ends.
    void end();
    // Ends the program like end() and deletes the banner picture and the downloaded image once
    // everything that might still be writing them (a download, a programming run) has stopped.
    void endDeletingTemporaryFiles();
    bool ended() const { return m_ended; }
    // Replaces what end() does after stopping everything (tests record it instead of exiting).
    void setExitHandler(std::function<void()> handler) { m_exitHandler = std::move(handler); }

private:
    void stopEverything();

    Services m_services;
    std::unique_ptr<scale::ScaleWorker> m_scale;
    std::map<std::type_index, std::unique_ptr<Form>> m_forms;
    Road m_road;
    std::function<void()> m_exitHandler;
    bool m_ended = false;
};

inline Program& program() {
    return Program::instance();
}

inline Road& road() {
    return Program::instance().road();
}

template <class F>
F& Program::form() {
    auto& slot = m_forms[typeid(F)];
    if (!slot) {
        auto made = std::make_unique<F>();
        made->setObjectName(
            QString::fromLatin1(F::staticMetaObject.className()).section(QStringLiteral("::"), -1));
        slot = std::move(made);
    }
    return static_cast<F&>(*slot);
}

}  // namespace vantor::app
