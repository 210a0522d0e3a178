#include "ScriptedDialogs.h"

#include <gtest/gtest.h>
#include <QPushButton>

#include "ui/app/Form.h"

namespace vantor::test {

using app::Answer;
using app::Message;

Answer cautiousAnswer(Message::Buttons buttons) {
    switch (buttons) {
        case Message::Buttons::YesNo:
            return Answer::No;
        case Message::Buttons::Ok:
            return Answer::Ok;
        default:
            return Answer::Cancel;
    }
}

namespace {

void clickButton(app::Form& form, const QString& name) {
    auto* button = form.findChild<QPushButton*>(name);
    if (!button) {
        ADD_FAILURE() << "no button " << name.toStdString() << " on " << form.objectName().toStdString();
        return;
    }
    button->click();
}

}  // namespace

ScriptedDialogs::FormAction ScriptedDialogs::click(const QString& button) {
    return [button](app::Form& form) { clickButton(form, button); };
}

Answer ScriptedDialogs::ask(QWidget*, const Message& message) {
    m_asked.push_back({message.title, message.text, message.icon, message.buttons, message.defaultNo,
                       message.closeIsNoAnswer, message.folder});
    if (message.buttons == Message::Buttons::Ok)
        return Answer::Ok;
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected question \"" << message.title.toStdString()
                      << "\": " << message.text.toStdString();
        return cautiousAnswer(message.buttons);
    }
    const Answer next = m_answers.front();
    m_answers.pop_front();
    return next;
}

void ScriptedDialogs::showModal(app::Form& form, QWidget*) {
    m_shown.push_back({form.objectName(), form.windowTitle()});
    form.show();
    if (m_actions.empty()) {
        ADD_FAILURE() << "unexpected modal form " << form.objectName().toStdString() << " \""
                      << form.windowTitle().toStdString() << "\"";
        if (form.findChild<QPushButton*>(QStringLiteral("cmdCancel")))
            clickButton(form, QStringLiteral("cmdCancel"));
        else
            form.unload();
    } else {
        const FormAction action = std::move(m_actions.front());
        m_actions.pop_front();
        action(form);
    }
    // A real modal form would still hold its owner here; the script must have closed it.
    if (form.isVisible()) {
        ADD_FAILURE() << "modal form " << form.objectName().toStdString() << " still open after its script";
        form.endSilently();
    }
}

}  // namespace vantor::test
