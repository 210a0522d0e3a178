#include "ui/keys/UpDownArrows.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantor::keys {

namespace {

QToolButton* arrow(QWidget* parent, const QString& name, Qt::ArrowType type, const QString& accessibleName) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAccessibleName(accessibleName);
    button->setFocusPolicy(Qt::NoFocus);
    button->setArrowType(type);
    button->setFixedSize(18, 12);
    button->setAutoRepeat(true);
    return button;
}

}  // namespace

UpDownArrows::UpDownArrows(QWidget* parent, const char* name) : QWidget(parent) {
    setObjectName(QLatin1String(name));
    m_up = arrow(this, objectName() + QStringLiteral("Up"), Qt::UpArrow, QStringLiteral("Up"));
    m_down = arrow(this, objectName() + QStringLiteral("Down"), Qt::DownArrow, QStringLiteral("Down"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, &UpDownArrows::upClicked);
    connect(m_down, &QToolButton::clicked, this, &UpDownArrows::downClicked);
}

void UpDownArrows::attachTo(QWidget* box) {
    m_box = box;
    box->installEventFilter(this);
}

bool UpDownArrows::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_box || event->type() != QEvent::KeyPress || !isEnabled())
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier)
        return false;
    if (key->key() == Qt::Key_Up) {
        emit upClicked();
        return true;
    }
    if (key->key() == Qt::Key_Down) {
        emit downClicked();
        return true;
    }
    return false;
}

}  // namespace vantor::keys
