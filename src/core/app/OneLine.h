#pragma once

// A message box's text on one line, for a terminal or a refusal shown after a file name.

#include <string>
#include <string_view>

namespace vantor::app {

// Every run of line breaks (LF, CR LF, CR, and the blank lines between paragraphs) becomes one
// blank, and never a second blank beside one already there.
std::string oneLine(std::string_view text);

}  // namespace vantor::app
