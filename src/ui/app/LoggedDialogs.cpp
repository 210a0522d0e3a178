#include "ui/app/LoggedDialogs.h"

#include "platform/app/UiLog.h"
#include "ui/app/Form.h"

namespace vantor::app {

namespace {

const char* nameOf(Answer answer) {
    switch (answer) {
        case Answer::Ok:
            return "OK";
        case Answer::Cancel:
            return "Cancel";
        case Answer::Yes:
            return "Yes";
        case Answer::No:
            return "No";
        case Answer::Retry:
            return "Retry";
    }
    return "?";
}

const char* nameOf(Message::Buttons buttons) {
    switch (buttons) {
        case Message::Buttons::Ok:
            return "OK";
        case Message::Buttons::OkCancel:
            return "OK/Cancel";
        case Message::Buttons::YesNo:
            return "Yes/No";
        case Message::Buttons::YesNoCancel:
            return "Yes/No/Cancel";
        case Message::Buttons::RetryCancel:
            return "Retry/Cancel";
    }
    return "?";
}

// Line breaks inside a message would split one log entry over several lines.
QString logLine(QString text) {
    return text.replace(QLatin1Char('\r'), QString()).replace(QLatin1Char('\n'), QLatin1String(" | "));
}

}  // namespace

LoggedDialogs::LoggedDialogs(std::unique_ptr<Dialogs> inner) : m_inner(std::move(inner)) {}

Answer LoggedDialogs::ask(QWidget* owner, const Message& message) {
    qCInfo(lcUi).noquote() << QStringLiteral("message box \"%1\" [%2]: %3")
                                  .arg(message.title, QLatin1String(nameOf(message.buttons)),
                                       logLine(message.text));
    const Answer answer = m_inner->ask(owner, message);
    qCInfo(lcUi).noquote()
        << QStringLiteral("message box \"%1\" answered %2").arg(message.title, QLatin1String(nameOf(answer)));
    return answer;
}

void LoggedDialogs::showModal(Form& form, QWidget* owner) {
    qCInfo(lcUi).noquote() << "modal" << form.objectName();
    m_inner->showModal(form, owner);
    qCInfo(lcUi).noquote() << "modal" << form.objectName() << "closed";
}

void LoggedDialogs::closeQuestionsOver(QWidget* owner) {
    m_inner->closeQuestionsOver(owner);
}

}  // namespace vantor::app
