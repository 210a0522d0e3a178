#pragma once

#include <cstddef>

#include "ProgressLine.h"
#include "core/scale/Progress.h"

namespace vantor::cli {

// "Tables read: 12/36" on the progress line. Elsewhere (a log, a pipe), kept as one line at the end,
// or a line for every page where a script waits for the page it knows.
class PageCounter {
public:
    enum class Lines { Last, Every };
    explicit PageCounter(const char* what, Lines lines = Lines::Last) : m_what(what), m_lines(lines) {}
    ~PageCounter();
    PageCounter(const PageCounter&) = delete;
    PageCounter& operator=(const PageCounter&) = delete;
    void operator()(const scale::Progress& progress);

private:
    std::string text() const;

    const char* m_what;
    Lines m_lines;
    ProgressLine m_line;
    std::size_t m_done = 0;
    std::size_t m_total = 0;
};

}  // namespace vantor::cli
