#pragma once

#include <QString>
#include <initializer_list>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace vantor::app {

// Controls are found by their names (tests, accessibility tools), so every one is made with it.

// A word-wrapped label.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text = {});
// A button that does not take Enter for itself: the forms decide what Enter does.
QPushButton* makeButton(QWidget* parent, const char* name, const QString& text);
void makeBold(QWidget& widget);
// The widgets side by side, centred.
QHBoxLayout* centredRow(std::initializer_list<QWidget*> widgets);

}  // namespace vantor::app
