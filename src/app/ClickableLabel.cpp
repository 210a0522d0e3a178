#include "app/ClickableLabel.h"

#include <QMouseEvent>

namespace vantor::app {

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A press that was dragged off the label before release is no click.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

ClickableLabel* makeClickableLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new ClickableLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setText(text);
    return label;
}

}  // namespace vantor::app
