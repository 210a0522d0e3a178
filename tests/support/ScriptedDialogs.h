#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <vector>

#include "ui/app/Dialogs.h"

namespace vantor::test {

// The answer a careful user gives to a question nobody scripted: OK, No or Cancel.
app::Answer cautiousAnswer(app::Message::Buttons buttons);

// Dialogs for tests: records every message box and modal form, answers questions from a queue
// and runs a scripted action on each modal form. Anything asked that the test did not script
// fails the test and is answered the cautious way (Cancel, No; a modal form is cancelled).
class ScriptedDialogs : public app::Dialogs {
public:
    struct Asked {
        QString title;
        QString text;
        app::Message::Icon icon;
        app::Message::Buttons buttons;
        bool defaultNo = false;
        bool closeIsNoAnswer = false;
        QString folder;
    };
    struct Shown {
        QString form;   // objectName
        QString title;  // window title while it was shown
    };
    using FormAction = std::function<void(app::Form&)>;

    // The answer to the next question (a message with more than one button). Messages with
    // only OK need no script: they are recorded and answered OK.
    void answer(app::Answer answer) { m_answers.push_back(answer); }
    // What the next modal form does while it is shown.
    void onModal(FormAction action) { m_actions.push_back(std::move(action)); }
    // A modal action: clicks the button with this objectName.
    static FormAction click(const QString& button);

    const std::vector<Asked>& asked() const { return m_asked; }
    const std::vector<Shown>& shown() const { return m_shown; }
    bool allScriptUsed() const { return m_answers.empty() && m_actions.empty(); }

    app::Answer ask(QWidget* owner, const app::Message& message) override;
    void showModal(app::Form& form, QWidget* owner) override;

private:
    std::deque<app::Answer> m_answers;
    std::deque<FormAction> m_actions;
    std::vector<Asked> m_asked;
    std::vector<Shown> m_shown;
};

}  // namespace vantor::test
