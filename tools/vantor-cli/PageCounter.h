#pragma once

#include <cstddef>

#include "core/scale/Progress.h"

namespace vantor::cli {

// "Tables read: 12/36", rewritten in place on a terminal; one line at the end otherwise.
class PageCounter {
public:
    explicit PageCounter(const char* what);
    ~PageCounter();
    PageCounter(const PageCounter&) = delete;
    PageCounter& operator=(const PageCounter&) = delete;
    void operator()(const scale::Progress& progress);

private:
    const char* m_what;
    bool m_terminal;
    bool m_shown = false;
    std::size_t m_done = 0;
    std::size_t m_total = 0;
};

}  // namespace vantor::cli
