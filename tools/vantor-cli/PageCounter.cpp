#include "PageCounter.h"

#include <iostream>

#include "Terminal.h"

namespace vantor::cli {

PageCounter::PageCounter(const char* what) : m_what(what), m_terminal(stderrIsTerminal()) {}

PageCounter::~PageCounter() {
    if (m_terminal && m_shown)
        std::cerr << "\n";
    else if (!m_terminal && m_total > 0)
        std::cerr << m_what << ": " << m_done << "/" << m_total << "\n";
}

void PageCounter::operator()(const scale::Progress& progress) {
    m_done = progress.done;
    m_total = progress.total;
    if (m_terminal) {
        std::cerr << "\r" << m_what << ": " << m_done << "/" << m_total << "   " << std::flush;
        m_shown = true;
    }
}

}  // namespace vantor::cli
