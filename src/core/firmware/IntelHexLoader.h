#pragma once

// Reads an update file (Intel HEX text) into a 64 KiB image. The whole file is checked before
// the image is handed out: a file with any fault gives no image at all, so a partly read or
// mistaken file can never reach the scale.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/firmware/ImageBuffer.h"

namespace vantor::firmware {

struct HexError {
    std::size_t line = 0;  // 1-based; 0 when the fault is the file's as a whole
    std::string reason;

    // "Line 812: checksum is 3F, expected 41." or the reason alone.
    std::string message() const;
};

struct HexLoad {
    std::optional<ImageBuffer> image;  // FF wherever the file put nothing
    HexError error;                    // why there is no image
    std::vector<bool> covered;         // with an image: which addresses a data record wrote
    // What the loader's own rules let pass and a stricter reader (a tables backup) refuses: a
    // data record that gives other bytes for addresses an earlier one set, and records after
    // the end record. line 0: none.
    HexError conflict;
    HexError afterEnd;
};

class IntelHexLoader {
public:
    // More than any sensible update file (64 KiB of data as one-byte records is under 1 MiB);
    // anything larger is refused before it is read into memory.
    static constexpr std::uintmax_t kMaxFileSize = 16 * 1024 * 1024;

    static HexLoad load(std::string_view text);
    static HexLoad loadFile(const std::filesystem::path& path);
};

}  // namespace vantor::firmware
