#include "PageCounter.h"

namespace vantor::cli {

PageCounter::~PageCounter() {
    if (!m_line.onTerminal() && m_lines == Lines::Last && m_total > 0)
        m_line.line(text());
}

void PageCounter::operator()(const scale::Progress& progress) {
    m_done = progress.done;
    m_total = progress.total;
    if (m_lines == Lines::Every)
        m_line.keep(text());
    else
        m_line.rewrite(text());
}

std::string PageCounter::text() const {
    return std::string(m_what) + ": " + std::to_string(m_done) + "/" + std::to_string(m_total);
}

}  // namespace vantor::cli
