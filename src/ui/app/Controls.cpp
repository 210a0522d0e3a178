#include "ui/app/Controls.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QVBoxLayout>
#include <QVariant>
#include <algorithm>
#include <map>
#include <vector>

#include "ui/app/EnterKey.h"

namespace vantor::app {

namespace {

// What the window system adds around a window: its title bar and borders.
const QSize kWindowFrame(16, 40);
const char* const kDesignedMinimum = "vantorDesignedMinimum";

}  // namespace

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

void keepPlaceWhenHidden(QWidget& widget) {
    QSizePolicy policy = widget.sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget.setSizePolicy(policy);
}

void makeBold(QWidget& widget) {
    QFont font = widget.font();
    font.setBold(true);
    widget.setFont(font);
}

namespace {

// A form laid out for its size (one without a maximise button) keeps the size it is fitted to:
// window managers that offer to maximise whatever the form asks (openbox) leave it out for a
// window of one size.
bool holdsItsSize(const QWidget& window) {
    const Qt::WindowFlags flags = window.windowFlags();
    return window.isWindow() && flags.testFlag(Qt::CustomizeWindowHint) &&
           !flags.testFlag(Qt::WindowMaximizeButtonHint);
}

void resizeHeld(QWidget& window, const QSize& size) {
    if (!holdsItsSize(window)) {
        window.resize(size);
        return;
    }
    window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window.setMinimumSize(size);
    window.resize(size);
    window.setMaximumSize(size);
}

}  // namespace

namespace {

// The size the window's layout asks for, at least `floor`, within the screen: a window larger
// than the screen would hide its lower buttons; one that can scroll fits.
QSize fittedSize(QWidget& window, QLayout& layout, const QSize& floor) {
    layout.activate();
    const int width = std::max(floor.width(), layout.totalSizeHint().width());
    const int height =
        layout.hasHeightForWidth() ? layout.totalHeightForWidth(width) : layout.totalSizeHint().height();
    QSize size(width, std::max(height, floor.height()));
    if (const QScreen* screen = window.screen())
        size = size.boundedTo(screen->availableGeometry().size() - kWindowFrame);
    return size;
}

// Lets the buttons of each centred row take their own widths again; false when there are none.
bool releaseButtonRows(QWidget& form) {
    bool released = false;
    for (QPushButton* button : form.findChildren<QPushButton*>()) {
        if (button->property(kButtonRow).isValid() && button->minimumWidth() > 0) {
            button->setMinimumWidth(0);
            released = true;
        }
    }
    return released;
}

}  // namespace

void fitToContents(QWidget& window) {
    QLayout* layout = window.layout();
    if (!layout)
        return;
    // The minimum the form was built with; the one set below is only this fitting's.
    const QVariant designed = window.property(kDesignedMinimum);
    const QSize floor = designed.isValid() ? designed.toSize() : window.minimumSize();
    window.setProperty(kDesignedMinimum, floor);
    window.setMinimumSize(floor);
    QSize size = fittedSize(window, *layout, floor);
    // On a screen too narrow for a row of buttons of one width (a large scaling), each button
    // keeps only the width its caption needs, rather than run past the window's edge.
    if (size.width() < layout->totalMinimumSize().width() && releaseButtonRows(window)) {
        layout->invalidate();
        size = fittedSize(window, *layout, floor);
    }
    // Made smaller by hand, the window would squash its controls into unreadable slivers.
    window.setMinimumSize(size);
    resizeHeld(window, size);
}

void growToFit(QWidget& window) {
    QLayout* layout = window.layout();
    if (!layout)
        return;
    layout->activate();
    const int needed = layout->hasHeightForWidth() ? layout->totalHeightForWidth(window.width())
                                                   : layout->totalSizeHint().height();
    if (window.height() < needed)
        resizeHeld(window, QSize(window.width(), needed));
}

void evenButtonRows(QWidget& form) {
    std::map<int, std::vector<QPushButton*>> rows;
    for (QPushButton* button : form.findChildren<QPushButton*>()) {
        const QVariant row = button->property(kButtonRow);
        if (row.isValid())
            rows[row.toInt()].push_back(button);
    }
    for (auto& [_, buttons] : rows) {
        int width = 0;
        for (QPushButton* button : buttons) {
            button->setMinimumWidth(0);
            width = std::max(width, button->sizeHint().width());
        }
        for (QPushButton* button : buttons)
            button->setMinimumWidth(width);
    }
}

QHBoxLayout* centredRow(std::initializer_list<QWidget*> widgets) {
    static int rows = 0;
    ++rows;
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QWidget* widget : widgets) {
        // The form's look gives the buttons of one row one width, once their font is known.
        widget->setProperty(kButtonRow, rows);
        row->addWidget(widget);
    }
    row->addStretch();
    return row;
}

void layOutMessage(QWidget& form, QWidget* message, std::initializer_list<QWidget*> buttons,
                   int minimumWidth) {
    auto* layout = new QVBoxLayout(&form);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->addWidget(message);
    layout->addLayout(centredRow(buttons));
    form.setMinimumWidth(minimumWidth);
}

}  // namespace vantor::app
