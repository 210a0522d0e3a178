#pragma once

#include <QLabel>

namespace vantor::app {

// A label (text or picture) that acts on a click: the menu's banner, the web link in help.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A clickable label made with its name, showing a hand pointer.
ClickableLabel* makeClickableLabel(QWidget* parent, const char* name, const QString& text = {});

}  // namespace vantor::app
