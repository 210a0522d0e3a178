#pragma once

#include <string>
#include <vector>

namespace vantor::cli {

// The one progress line of a command on stderr (or one line per scale, for several at once). On a terminal it
// is rewritten in place; elsewhere (a log, a pipe) only the lines a command chooses to keep are printed, each
// on a line of its own. Anything else printed meanwhile goes through line(), so that it never lands on the
// progress.
class ProgressLine {
public:
    ProgressLine();
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    bool onTerminal() const { return m_terminal; }
    // On a terminal: `text` replaces what the line showed. Elsewhere: nothing.
    void rewrite(const std::string& text);
    // On a terminal: `lines` replace the lines shown before (several scales at once, one line each).
    // Elsewhere: nothing.
    void rewriteLines(const std::vector<std::string>& lines);
    // `text` as a line of its own, the progress line ended first.
    void line(const std::string& text);
    // On a terminal, rewrite(text); elsewhere, line(text): the lines worth keeping in a log.
    void keep(const std::string& text);
    // Ends the progress line: what is printed next starts a line of its own.
    void end();

private:
    bool m_terminal;
    bool m_open = false;
    std::size_t m_width = 0;  // of the text shown, so that a shorter one covers it whole
    std::size_t m_lines = 0;  // shown by rewriteLines(), each ended, the cursor below them
};

}  // namespace vantor::cli
