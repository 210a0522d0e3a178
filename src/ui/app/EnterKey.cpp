#include "ui/app/EnterKey.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace vantor::app {

namespace {

class EnterClicks : public QObject {
public:
    explicit EnterClicks(QAbstractButton& button) : QObject(&button), m_button(button) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_button || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        // A held key is one press, not a click per repeat.
        if (!key->isAutoRepeat() && m_button.isEnabled())
            m_button.click();
        return true;
    }

private:
    QAbstractButton& m_button;
};

}  // namespace

void clickOnEnter(QAbstractButton& button) {
    button.installEventFilter(new EnterClicks(button));
}

}  // namespace vantor::app
