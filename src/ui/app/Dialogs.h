#pragma once

#include <QString>
#include <memory>

#include "core/app/Message.h"

class QMessageBox;
class QWidget;

namespace vantor::app {

class Form;

// One message box or question, as the user sees it.
struct Message {
    // The core's icons and buttons: a rule's message is shown as it was said.
    using Icon = vantor::Message::Icon;
    using Buttons = vantor::Message::Buttons;

    QString title;
    QString text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    // As the core's message says (see vantor::Message); closing a box that is no answer gives Cancel.
    bool defaultNo = false;
    bool closeIsNoAnswer = false;
    // A folder the message speaks of: the box offers to open it, with a button of its own that
    // leaves the question open.
    QString folder = {};
};

// The box for a message of the core's rules: its words, icon and buttons as they are.
Message boxOf(const vantor::Message& message);

enum class Answer { Ok, Cancel, Yes, No, Retry };

// Every message box, question and modal form goes through here, so that tests can see what was
// asked and answer it from a script.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual Answer ask(QWidget* owner, const Message& message) = 0;
    // A message of the core's rules, shown with its words, icon and buttons as they are.
    Answer ask(QWidget* owner, const vantor::Message& message);
    // Shows a loaded form modally over `owner` and returns once it is hidden again.
    virtual void showModal(Form& form, QWidget* owner) = 0;
    // Closes the questions open over `owner` that events have answered already (a transfer that
    // ended while it asked whether to cancel it); each is answered Cancel.
    virtual void closeQuestionsOver(QWidget* owner) { Q_UNUSED(owner); }
};

// The box the real dialogs show for `message` over `owner`, not yet shown. The visual review
// renders the very same box.
std::unique_ptr<QMessageBox> makeMessageBox(QWidget* owner, const Message& message);

// The real dialogs: QMessageBox and QDialog::exec.
class MessageBoxDialogs : public Dialogs {
public:
    Answer ask(QWidget* owner, const Message& message) override;
    void showModal(Form& form, QWidget* owner) override;
    void closeQuestionsOver(QWidget* owner) override;
};

}  // namespace vantor::app
