#pragma once

// The download window's small text and path helpers. Measuring text is the window's business:
// FitTextToLabel is given a test of whether a text fits, so that the shortening rule stays here.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::online {

// Whole number, no grouping: "1536" -> "1536".
inline constexpr std::string_view kMaskWhole = "###0";
// One decimal, at least one digit before the point: 0.5 -> "0.5".
inline constexpr std::string_view kMaskOneDecimal = "###0.0";
// One decimal, no digit before the point below 1: 0.5 -> ".5". The rate label uses it.
inline constexpr std::string_view kMaskRate = "###.0";

// Shortens `text` with "..." in the middle, one character from each end at a time, until
// `fits` accepts it; never below four characters on each side of the dots.
std::u32string FitTextToLabel(const std::u32string& text,
                              const std::function<bool(const std::u32string&)>& fits);

// "1023 bytes", "1 KB", "1.0 MB", "1.0 GB". An empty mask gives the band's own. Values between two
// bands (1023.6, say) go to the band their rounded value belongs to; a negative size is 0 bytes.
std::string FormatByteSize(double size, std::string_view mask = {}, std::string_view decimalPoint = ".");

// "59 sec", "1 min 0 sec", "1 hr 0 min". Rounded first, so that 59.7 is "1 min 0 sec" and 7199 is
// "2 hr 0 min"; a negative or unknown time is "0 sec".
std::string FormatSeconds(double seconds);

// Free bytes on the disk of `root` as the platform's query gives them; infinite when it cannot
// tell, so that an unknown disk is no reason to refuse (the write itself reports a full disk).
using FreeSpaceQuery = std::function<std::optional<std::int64_t>(const std::string& root)>;
double DiskFreeBytes(const std::string& root, const FreeSpaceQuery& query);

// The disk root the free-space check asks about for `destination`: "X:\" for a drive path, the
// destination's folder for any other absolute path, nothing for a relative one.
std::optional<std::string> FreeSpaceRoot(const std::string& destination);

std::string WithTrailingBackslash(const std::string& path);

// The part after the last separator ('/' for a URL, '\' otherwise), or everything up to and
// including it; the whole path when it has no separator.
std::string SplitPathPart(const std::string& path, bool lastPart, bool url);

}  // namespace vantor::online
