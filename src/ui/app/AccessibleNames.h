#pragma once

class QWidget;

namespace vantor::app {

// Gives every control on `form` that has no caption of its own (a text box, a list, a progress
// bar, a picture) an accessible name: its tooltip, else the text of the label that is its buddy.
// Captioned controls (buttons, option buttons, labels) are named by Qt from their caption, which
// stays right when the caption changes. Called from applyLook at each load.
void nameUncaptionedControls(QWidget& form);

}  // namespace vantor::app
