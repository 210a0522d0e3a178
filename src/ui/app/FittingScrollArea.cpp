#include "ui/app/FittingScrollArea.h"

#include <QLayout>
#include <QScrollBar>
#include <QVBoxLayout>

namespace vantor::app {

FittingScrollArea::FittingScrollArea(QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    // Only the controls inside take the focus; the area follows it to bring them into view.
    setFocusPolicy(Qt::NoFocus);
    viewport()->setAutoFillBackground(false);
}

FittingScrollArea* FittingScrollArea::wrap(QWidget& window, QWidget* content) {
    auto* area = new FittingScrollArea(&window);
    content->setAutoFillBackground(false);
    area->setWidget(content);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area);
    return area;
}

// What the controls want, the height of wrapping texts included; a plain scroll area would offer
// only a few lines of it.
QSize FittingScrollArea::sizeHint() const {
    const QWidget* content = widget();
    if (!content)
        return QScrollArea::sizeHint();
    QSize wanted =
        content->sizeHint().expandedTo(content->minimumSizeHint()).expandedTo(content->minimumSize());
    if (content->hasHeightForWidth())
        wanted.setHeight(std::max(wanted.height(), content->heightForWidth(wanted.width())));
    return wanted;
}

}  // namespace vantor::app
