#include "ui/app/ClickableLabel.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace vantor::app {

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A press that was dragged off the label before release is no click.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event) {
    const bool activates =
        event->modifiers() == Qt::NoModifier &&
        (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter);
    if (!activates) {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    emit clicked();
}

// A label draws no focus of its own; without this frame a keyboard user would not see where it is.
void ClickableLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(QPalette::Window);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

ClickableLabel* makeClickableLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new ClickableLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setText(text);
    return label;
}

ClickableLabel* makeLinkLabel(QWidget* parent, const char* name, const QString& text) {
    ClickableLabel* label = makeClickableLabel(parent, name, text);
    // Only the underline and the colour are the label's own: the form's font and colours, set when
    // it loads, still reach it.
    QFont font;
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette;
    palette.setColor(QPalette::WindowText, QGuiApplication::palette().color(QPalette::Link));
    label->setPalette(palette);
    // As wide as its text, so that only the text itself takes the click.
    label->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    return label;
}

}  // namespace vantor::app
