#pragma once

#include <QLabel>

namespace vantor::app {

// A label (text or picture) that acts on a click: the menu's banner, the web link in help. It
// takes the keyboard focus like a button, so that Space or Enter does what a click does.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// A clickable label made with its name, showing a hand pointer.
ClickableLabel* makeClickableLabel(QWidget* parent, const char* name, const QString& text = {});
// A clickable label that looks like a web link: underlined, in the link colour, on one line.
ClickableLabel* makeLinkLabel(QWidget* parent, const char* name, const QString& text = {});

}  // namespace vantor::app
