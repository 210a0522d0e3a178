#pragma once

class QAbstractButton;

namespace vantor::app {

// Enter (or the keypad's Enter) on the focused button clicks it, as on the platform the program
// comes from. Only the button with the focus: no form has a default button that Enter would
// press from elsewhere, so Enter in a text box stays the form's to decide.
void clickOnEnter(QAbstractButton& button);

}  // namespace vantor::app
