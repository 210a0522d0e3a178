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
}

}  // namespace vantor::cli
