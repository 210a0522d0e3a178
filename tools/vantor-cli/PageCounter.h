#pragma once

#include <cstddef>

#include "ProgressLine.h"
#include "core/scale/Progress.h"

namespace vantor::cli {

// "Tables read: 12/36" on the progress line; kept as one line at the end elsewhere.
class PageCounter {
public:
    explicit PageCounter(const char* what) : m_what(what) {}
    ~PageCounter();
    PageCounter(const PageCounter&) = delete;
    PageCounter& operator=(const PageCounter&) = delete;
    void operator()(const scale::Progress& progress);

private:
    std::string text() const;

    const char* m_what;
    ProgressLine m_line;
    std::size_t m_done = 0;
    std::size_t m_total = 0;
};

}  // namespace vantor::cli
