#include "HelpText.h"

#include <sstream>

namespace vantor::cli {

void HelpText::paragraph(const std::string& text) {
    if (!m_text.empty())
        m_text += "\n";
    wrap(text, 0, 0);
}

void HelpText::section(const std::string& heading) {
    m_text += "\n" + heading + "\n";
}

void HelpText::item(const std::string& name, const std::string& text) {
    m_text += "  " + name;
    std::size_t column = 2 + name.size();
    if (column + 2 > kTextColumn) {
        m_text += "\n";
        column = 0;
    }
    wrap(text, column, kTextColumn);
}

// Words go on the current line while they fit; a word longer than a whole line stands alone.
void HelpText::wrap(const std::string& text, std::size_t firstColumn, std::size_t column) {
    std::istringstream words(text);
    std::string word;
    std::size_t at = firstColumn;
    bool lineHasWord = false;
    while (words >> word) {
        if (lineHasWord && at + 1 + word.size() > kWidth) {
            m_text += "\n";
            at = 0;
            lineHasWord = false;
        }
        const std::size_t indent = lineHasWord ? 1 : (at < column ? column - at : (at == 0 ? 0 : 1));
        m_text += std::string(indent, ' ') + word;
        at += indent + word.size();
        lineHasWord = true;
    }
    m_text += "\n";
}

}  // namespace vantor::cli
