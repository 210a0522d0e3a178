#pragma once

#include <QColor>

class QWidget;

namespace vantor::app {

// The program's background colour, on every form, label, button, frame and option button.
inline const QColor kBackground(154, 222, 248);
// The focus frame and selections: dark enough to stand out on the background.
inline const QColor kFocusFrame(0, 45, 130);

// Paints the form and everything on it in the program's colour and sets the Verdana font (or the
// nearest installed sans-serif font where Verdana is missing), and names the controls without a
// caption for screen readers. Called once from each form's load.
void applyLook(QWidget& form);

}  // namespace vantor::app
