#include "core/app/OneLine.h"

namespace vantor::app {

std::string oneLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    bool inBreak = false;
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            inBreak = true;
            continue;
        }
        if (inBreak && !line.empty() && line.back() != ' ' && c != ' ')
            line += ' ';
        inBreak = false;
        line += c;
    }
    return line;
}

}  // namespace vantor::app
