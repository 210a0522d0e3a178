#pragma once

#include <QSize>
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
// A label kept on one line: a short caption beside or above a control.
QLabel* makeCaption(QWidget* parent, const char* name, const QString& text = {});
// Shows each run of blanks in the label's text as a single blank, where the words wrap to the
// label's width. Some texts carry runs of blanks meant to push the next words onto a new line
// of a fixed-size box; in a label that wraps to its own width they would only leave gaps
// mid-line. text() still gives the text exactly as it was set. A text holding markup
// characters (<, >, &) is left as plain text: it would otherwise be read as markup.
void collapseBlanks(QLabel& label);
// A button that Enter clicks while it has the focus. It is never the form's default button: Enter
// elsewhere on the form (in a text box) is the form's to decide.
QPushButton* makeButton(QWidget* parent, const char* name, const QString& text);
// Shows the picture (an SVG file) in the label at `size` device-independent pixels, drawn for
// the screen's pixel density so that it is sharp on a scaled screen too.
void showPicture(QLabel& label, const QString& file, const QSize& size);
void makeBold(QWidget& widget);
// A control that comes and goes (a progress bar, a status line) keeps its place while hidden, so
// that the window neither grows nor moves its other controls when it appears.
void keepPlaceWhenHidden(QWidget& widget);
// Sizes the window to what its layout holds: its preferred width (at least its minimum width) and
// the height its wrapping labels need at that width. A window sized by itself measures such labels
// at a narrower width and comes out too tall, its lines spread apart. That size is also the
// window's minimum, so that no control is squashed; on a screen too small for it, the window
// takes the screen's size (a window whose controls can scroll stays usable so).
void fitToContents(QWidget& window);
// Makes the window tall enough for what its layout now holds at its present width: a label
// that wraps, shown or given a longer text, does not make a window grow by itself.
void growToFit(QWidget& window);
// The widgets side by side, centred.
QHBoxLayout* centredRow(std::initializer_list<QWidget*> widgets);
// The property that marks the buttons of one centred row.
inline constexpr const char* kButtonRow = "vantorButtonRow";
// Gives the buttons of each centred row of `form` the width of the widest.
void evenButtonRows(QWidget& form);
// The layout of a message form: the message, and under it its buttons in a centred row.
void layOutMessage(QWidget& form, QWidget* message, std::initializer_list<QWidget*> buttons,
                   int minimumWidth);

}  // namespace vantor::app
