// The help text's layout, which the manual page is made from.

#include <gtest/gtest.h>

#include <sstream>

#include "HelpText.h"

using vantor::cli::HelpText;

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

TEST(HelpText, ItemsAlignTheirTextAndWrapWithinTheWidth) {
    HelpText help;
    help.section("Commands:");
    help.item("ports", "List the serial ports.");
    help.item("key KEY --unit oz|lb|g --table CSV",
              std::string(25, 'a') + " " + std::string(25, 'b') + " " + std::string(25, 'c'));
    help.item("exactly-eighteen-c", "fits");
    EXPECT_EQ(lines(help.text()),
              (std::vector<std::string>{
                  "",
                  "Commands:",
                  "  ports               List the serial ports.",
                  "  key KEY --unit oz|lb|g --table CSV",
                  "                      " + std::string(25, 'a') + " " + std::string(25, 'b'),
                  "                      " + std::string(25, 'c'),
                  "  exactly-eighteen-c  fits",
              }));
}

TEST(HelpText, ParagraphsWrapAtTheWidthAndAWordLongerThanALineStandsAlone) {
    HelpText help;
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "word ";
    help.paragraph(text);
    help.paragraph(std::string(100, 'x') + " tail");
    for (const std::string& line : lines(help.text())) {
        if (line.find('x') == std::string::npos) {
            EXPECT_LE(line.size(), HelpText::kWidth) << line;
        }
        EXPECT_FALSE(!line.empty() && line.back() == ' ') << "no trailing blank: '" << line << "'";
    }
    EXPECT_NE(help.text().find("\n" + std::string(100, 'x') + "\ntail\n"), std::string::npos);
}

}  // namespace
