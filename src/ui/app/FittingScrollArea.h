#pragma once

#include <QScrollArea>

namespace vantor::app {

// Holds a form's controls so that a screen too small for the form (a small screen, or a large
// scaling factor) cannot squash them: the form shrinks to the screen and scrolls instead, its
// controls whole and every one of them reachable. Where the screen has room it asks for just the
// size its controls want, so the form looks as it would without it.
class FittingScrollArea : public QScrollArea {
    Q_OBJECT
public:
    // Takes `content` (a widget with its layout) and fills `window` with it.
    static FittingScrollArea* wrap(QWidget& window, QWidget* content);

    QSize sizeHint() const override;

private:
    explicit FittingScrollArea(QWidget* parent);
};

}  // namespace vantor::app
