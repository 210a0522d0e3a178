#pragma once

#include <string>

namespace vantor::cli {

// The --help text, laid out the way help2man turns it into the manual page: section headings at
// the left margin ending in ':', items with their name at column 2 and the text at column 22
// (on the name's line when it fits, else on the next), everything wrapped to 80 columns.
class HelpText {
public:
    static constexpr std::size_t kWidth = 80;
    static constexpr std::size_t kTextColumn = 22;

    void paragraph(const std::string& text);
    void section(const std::string& heading);
    void item(const std::string& name, const std::string& text);

    const std::string& text() const { return m_text; }

private:
    void wrap(const std::string& text, std::size_t firstColumn, std::size_t column);

    std::string m_text;
};

}  // namespace vantor::cli
