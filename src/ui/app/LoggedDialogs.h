#pragma once

#include <memory>

#include "ui/app/Dialogs.h"

namespace vantor::app {

// Puts every message box, its answer and every modal form in the support log, then lets the
// dialogs it wraps do the asking.
class LoggedDialogs : public Dialogs {
public:
    explicit LoggedDialogs(std::unique_ptr<Dialogs> inner);

    Answer ask(QWidget* owner, const Message& message) override;
    void showModal(Form& form, QWidget* owner) override;
    void closeQuestionsOver(QWidget* owner) override;

private:
    std::unique_ptr<Dialogs> m_inner;
};

}  // namespace vantor::app
