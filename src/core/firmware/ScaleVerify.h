#pragma once

// Checking a scale without rewriting it: its whole program memory read page by page (the page-read
// rules; nothing is written) and compared with the image an update would write into it, that is
// the update file's image with the scale's own serial number packed. The user's tables region is
// compared only when the update file brings tables of its own; otherwise it is reported apart.

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/firmware/ImageBuffer.h"
#include "core/firmware/TablesState.h"
#include "core/scale/OperationResult.h"
#include "core/scale/Progress.h"
#include "core/scale/ScaleTransport.h"

namespace vantor::firmware {

struct ImageDifference {
    std::size_t pages = 0;           // pages with at least one byte that differs
    std::uint32_t firstAddress = 0;  // the first byte that differs, when any does
    Byte scaleByte = 0;
    Byte fileByte = 0;
};

// Compares the scale's memory with the image it should hold, page by page, leaving the tables
// region out unless `withTables`. Both must hold the whole memory.
ImageDifference compareImage(std::span<const Byte> expected, std::span<const Byte> scale, bool withTables);

struct ScaleCheck {
    // How the serial number read and the page reads ended, with the serial number the scale gave.
    scale::OperationResult read;
    ImageDifference difference;
    bool tablesCompared = false;
    TablesState tables;  // what the scale's region holds, when all pages were read

    bool matches() const { return read.succeeded() && difference.pages == 0; }
};

// Reads the serial number, then all 512 pages (progress {Read, pages read, 512}), and compares.
// Ends early, as the page read's result says, when the scale is silent or `cancel` is set.
ScaleCheck verifyScale(scale::ScaleTransport& transport, const ImageBuffer& image,
                       const scale::ProgressSink& progress, const std::atomic<bool>& cancel);

// "matches; zone table and keys: programmed", "12 pages differ; first at 0x2A40: scale 3C, update
// file 7E", or the sentence of the read that failed.
std::string verifyText(const ScaleCheck& check);

}  // namespace vantor::firmware
