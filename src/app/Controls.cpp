#include "app/Controls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace vantor::app {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

void makeBold(QWidget& widget) {
    QFont font = widget.font();
    font.setBold(true);
    widget.setFont(font);
}

QHBoxLayout* centredRow(std::initializer_list<QWidget*> widgets) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QWidget* widget : widgets) row->addWidget(widget);
    row->addStretch();
    return row;
}

}  // namespace vantor::app
