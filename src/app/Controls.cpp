#include "app/Controls.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>

#include "app/EnterKey.h"

namespace vantor::app {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    return label;
}

QLabel* makeCaption(QWidget* parent, const char* name, const QString& text) {
    QLabel* label = makeLabel(parent, name, text);
    label->setWordWrap(false);
    return label;
}

void collapseBlanks(QLabel& label) {
    static const QRegularExpression markup(QStringLiteral("[<>&]"));
    // As rich text the label lays its text out as a web page does, where blanks collapse.
    label.setTextFormat(label.text().contains(markup) ? Qt::PlainText : Qt::RichText);
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    clickOnEnter(*button);
    return button;
}

void showPicture(QLabel& label, const QString& file, const QSize& size) {
    label.setPixmap(QIcon(file).pixmap(size, label.devicePixelRatioF()));
}

void makeBold(QWidget& widget) {
    QFont font = widget.font();
    font.setBold(true);
    widget.setFont(font);
}

void fitToContents(QWidget& window) {
    QLayout* layout = window.layout();
    if (!layout)
        return;
    layout->activate();
    const int width = std::max(window.minimumWidth(), layout->totalSizeHint().width());
    const int height = layout->hasHeightForWidth() ? layout->totalHeightForWidth(width)
                                                   : layout->totalSizeHint().height();
    window.resize(width, std::max(height, window.minimumHeight()));
}

void growToFit(QWidget& window) {
    QLayout* layout = window.layout();
    if (!layout)
        return;
    layout->activate();
    const int needed = layout->hasHeightForWidth() ? layout->totalHeightForWidth(window.width())
                                                   : layout->totalSizeHint().height();
    if (window.height() < needed)
        window.resize(window.width(), needed);
}

QHBoxLayout* centredRow(std::initializer_list<QWidget*> widgets) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QWidget* widget : widgets) row->addWidget(widget);
    row->addStretch();
    return row;
}

void layOutMessage(QWidget& form, QWidget* message, std::initializer_list<QWidget*> buttons, int minimumWidth) {
    auto* layout = new QVBoxLayout(&form);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->addWidget(message);
    layout->addLayout(centredRow(buttons));
    form.setMinimumWidth(minimumWidth);
}

}  // namespace vantor::app
