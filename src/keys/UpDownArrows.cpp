#include "keys/UpDownArrows.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace vantor::keys {

namespace {

QToolButton* arrow(QWidget* parent, const QString& name, Qt::ArrowType type) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setArrowType(type);
    button->setFixedSize(18, 12);
    button->setAutoRepeat(true);
    return button;
}

}  // namespace

UpDownArrows::UpDownArrows(QWidget* parent, const char* name) : QWidget(parent) {
    setObjectName(QLatin1String(name));
    m_up = arrow(this, objectName() + QStringLiteral("Up"), Qt::UpArrow);
    m_down = arrow(this, objectName() + QStringLiteral("Down"), Qt::DownArrow);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, &UpDownArrows::upClicked);
    connect(m_down, &QToolButton::clicked, this, &UpDownArrows::downClicked);
}

}  // namespace vantor::keys
