#pragma once

// Writing one key's table into the scale: the check whether the key already holds a table, and
// the five page writes of its block. Plain sequential code over the scale link; the form runs it
// on the scale worker and the command line calls it directly.

#include <atomic>
#include <functional>
#include <optional>

#include "core/keys/KeyBlock.h"
#include "core/scale/PageWrite.h"
#include "core/scale/ScaleLink.h"
#include "core/scale/ScaleTransport.h"

namespace vantor::keys {

struct KeyCheck {
    scale::SerialRead serial;     // "" when the scale did not answer
    scale::KeyCheckResult check;  // asked only when a serial number came
};

// Reads the serial number and, when the scale gave one, asks whether the key's block holds a table.
KeyCheck checkKey(scale::ScaleTransport& transport, int key);

// Reads the serial number again and writes the 640-byte block of `key` as five pages in address
// order, reporting {Write, 1..5, 5} as each page is written and read back. Stops at the first
// page that fails (the pages before it stay written) and, before the next page, once `cancel`
// is set. A block of another size is refused with nothing sent.
scale::OperationResult ProgramData(scale::ScaleTransport& transport, int key, const Bytes& block,
                                   const scale::ProgressSink& progress, const std::atomic<bool>& cancel);

}  // namespace vantor::keys
