#include "ProgressLine.h"

#include <iostream>

#include "Terminal.h"

namespace vantor::cli {

ProgressLine::ProgressLine() : m_terminal(stderrIsTerminal()) {}

ProgressLine::~ProgressLine() {
    end();
}

void ProgressLine::rewrite(const std::string& text) {
    if (!m_terminal)
        return;
    const std::size_t cover = m_width > text.size() ? m_width - text.size() : 0;
    std::cerr << "\r" << text << std::string(cover, ' ') << std::flush;
    m_width = text.size();
    m_open = true;
    m_lines = 0;
}

void ProgressLine::rewriteLines(const std::vector<std::string>& lines) {
    if (!m_terminal)
        return;
    const std::size_t shown = m_lines;
    end();
    if (shown > 0)
        std::cerr << "\033[" << shown << "A";  // back to the first of them
    for (const std::string& text : lines)
        std::cerr << "\r\033[K" << text << "\n";
    std::cerr << std::flush;
    m_lines = lines.size();
}

void ProgressLine::line(const std::string& text) {
    end();
    std::cerr << text << "\n";
}

void ProgressLine::keep(const std::string& text) {
    if (m_terminal)
        rewrite(text);
    else
        line(text);
}

void ProgressLine::end() {
    if (m_open)
        std::cerr << "\n";
    m_open = false;
    m_width = 0;
    m_lines = 0;  // they stay as they stand; what comes next goes below them
}

}  // namespace vantor::cli
