#include "ScreenDialogs.h"

#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include "Shooter.h"
#include "support/ScriptedDialogs.h"
#include "ui/app/Form.h"

namespace vantor::test {

using app::Answer;
using app::Message;

namespace {

QString slug(const QString& title) {
    return title.toLower().replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"));
}

}  // namespace

ScreenDialogs::FormAction ScreenDialogs::click(const QString& button) {
    return [button](app::Form& form) {
        if (auto* found = form.findChild<QPushButton*>(button))
            found->click();
    };
}

Answer ScreenDialogs::ask(QWidget* owner, const Message& message) {
    Box next{QStringLiteral("unexpected-msg-") + slug(message.title), cautiousAnswer(message.buttons)};
    if (m_boxes.empty())
        m_shooter.fail(QStringLiteral("unscripted message box \"%1\": %2").arg(message.title, message.text));
    else {
        next = m_boxes.front();
        m_boxes.pop_front();
    }
    const std::unique_ptr<QMessageBox> box = app::makeMessageBox(owner, message);
    box->setWindowModality(Qt::NonModal);
    m_shooter.shoot(*box, next.name);
    box->close();
    return next.answer;
}

void ScreenDialogs::showModal(app::Form& form, QWidget*) {
    Modal next{QStringLiteral("unexpected-") + form.objectName(), {}};
    if (m_forms.empty())
        m_shooter.fail(QStringLiteral("unscripted modal form ") + form.objectName());
    else {
        next = std::move(m_forms.front());
        m_forms.pop_front();
    }
    form.show();
    if (!next.name.isEmpty())
        m_shooter.shoot(form, next.name);
    if (next.action)
        next.action(form);
    // A real modal form holds its owner until it closes; one the script left open is closed here.
    if (form.isVisible()) {
        m_shooter.fail(QStringLiteral("modal form %1 still open after its script").arg(form.objectName()));
        form.endSilently();
    }
}

}  // namespace vantor::test
