#pragma once

// How far a long scale operation has come, in pages. Each front end maps it to what it shows: the
// update form's bar (0..511, the verify from 256), the key form's (128 a page up to 640), the zone
// form's (up to 768), the command line's "Pages written: 3/6".

#include <cstddef>
#include <functional>

namespace vantor::scale {

enum class Phase {
    Read,    // pages read and kept (the user's tables, before an update)
    Write,   // pages written (with their read-back, for a series of single pages)
    Verify,  // pages read back and compared, after the whole image was written
};

struct Progress {
    Phase phase = Phase::Write;
    std::size_t done = 0;   // pages of this phase done so far
    std::size_t total = 0;  // pages of this phase in all

    bool operator==(const Progress&) const = default;
};

using ProgressSink = std::function<void(const Progress&)>;

}  // namespace vantor::scale
