#pragma once

// The five scale operations as the program runs them, over SerialTransport on the simulator's
// pseudo-terminal, each judged only by what it reports; and the memory each must leave behind.

#include <string>
#include <string_view>

#include "FaultMatrix.h"
#include "core/scale/Bytes.h"
#include "platform/scale/SerialTransport.h"

namespace vantor::matrix {

// The serial number of every simulated scale of the matrix.
inline constexpr std::string_view kScaleSerial = "12345678";

// The key and its block's pages the key programming cells write (0x8580, ... 0x8780).
inline constexpr int kMatrixKey = 2;

// Opens the transport on `device` (detection opens its own probes and leaves it alone) and runs
// the operation once. The transport stays open for the caller to close.
Outcome perform(Operation operation, scale::SerialTransport& transport, const std::string& device);

// What the scale's memory must hold after a successful run, starting from a fresh scale.
Bytes expectedMemory(Operation operation);

// A fresh scale's memory: all FF with the serial number at 0x0700.
Bytes freshMemory();

}  // namespace vantor::matrix
