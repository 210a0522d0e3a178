#include "core/online/modGlobals.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vantor::online {

namespace {

constexpr double kKilo = 1024.0;
constexpr double kMega = 1024.0 * 1024.0;
constexpr double kGiga = 1024.0 * 1024.0 * 1024.0;
constexpr std::size_t kShortestHalf = 4;
const std::u32string kDots = U"...";

// A little above the rounding point, so that 1.45 stored as 1.4499999 still goes up.
constexpr double kRoundingSlack = 1e-9;

double roundHalfUp(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::floor(value * scale + 0.5 + kRoundingSlack) / scale;
}

double roundHalfEven(double value) {
    return std::nearbyint(value);  // the default rounding mode goes to the even neighbour
}

// The masks in use: "###0", "###0.0" and "###.0".
std::string applyMask(double value, std::string_view mask, std::string_view decimalPoint) {
    const std::size_t point = mask.find('.');
    const int decimals = point == std::string_view::npos ? 0 : static_cast<int>(mask.size() - point - 1);
    const bool leadingZero = point == std::string_view::npos || (point > 0 && mask[point - 1] == '0');
    const double rounded = roundHalfUp(value, decimals);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, rounded);
    std::string text = buffer;
    if (decimals == 0)
        return text;
    const std::size_t dot = text.find('.');
    std::string whole = text.substr(0, dot);
    if (whole == "0" && !leadingZero)
        whole.clear();
    return whole + std::string(decimalPoint) + text.substr(dot + 1);
}

std::string formatInBand(double size, double unit, std::string_view mask, std::string_view fallbackMask,
                         const char* name, std::string_view decimalPoint) {
    return applyMask(size / unit, mask.empty() ? fallbackMask : mask, decimalPoint) + " " + name;
}

}  // namespace

std::u32string FitTextToLabel(const std::u32string& text,
                              const std::function<bool(const std::u32string&)>& fits) {
    std::u32string shown = text;
    std::size_t n = text.size() / 2 >= 2 ? text.size() / 2 - 2 : 0;
    while (!fits(shown) && n >= kShortestHalf) {
        shown = text.substr(0, n) + kDots + text.substr(text.size() - n);
        --n;
    }
    return shown;
}

std::string FormatByteSize(double size, std::string_view mask, std::string_view decimalPoint) {
    if (!(size > 0))  // negative and NaN too
        size = 0;
    // Bands are chosen by the value as it will be shown: 1023.6 bytes would read "1024 bytes".
    if (roundHalfUp(size, 0) < kKilo)
        return applyMask(size, kMaskWhole, decimalPoint) + " bytes";
    if (size < kMega - 0.5)
        return formatInBand(size, kKilo, mask, kMaskWhole, "KB", decimalPoint);
    if (size < kGiga - 0.5)
        return formatInBand(size, kMega, mask, kMaskOneDecimal, "MB", decimalPoint);
    return formatInBand(size, kGiga, mask, kMaskOneDecimal, "GB", decimalPoint);
}

std::string FormatSeconds(double seconds) {
    // Rates near zero give huge times; a day of hours is already more than anyone waits for.
    constexpr double kLongest = 1e9;
    if (!(seconds > 0))
        seconds = 0;
    seconds = std::min(seconds, kLongest);
    const double wholeSeconds = roundHalfUp(seconds, 0);
    if (wholeSeconds < 60)
        return std::to_string(static_cast<long long>(wholeSeconds)) + " sec";
    const auto evenSeconds = static_cast<long long>(roundHalfEven(seconds));
    if (evenSeconds < 3600)
        return std::to_string(evenSeconds / 60) + " min " + std::to_string(evenSeconds % 60) + " sec";
    const auto minutes = static_cast<long long>(roundHalfEven(seconds / 60));
    return std::to_string(minutes / 60) + " hr " + std::to_string(minutes % 60) + " min";
}

double DiskFreeBytes(const std::string& root, const FreeSpaceQuery& query) {
    const std::optional<std::int64_t> free = query ? query(root) : std::nullopt;
    return free ? static_cast<double>(*free) : HUGE_VAL;
}

std::optional<std::string> FreeSpaceRoot(const std::string& destination) {
    if (destination.size() >= 3 && destination[1] == ':' && destination[2] == '\\')
        return WithTrailingBackslash(destination.substr(0, 3));
    if (!destination.empty() && destination.front() == '/') {
        const std::size_t slash = destination.find_last_of('/');
        return slash == 0 ? std::string("/") : destination.substr(0, slash);
    }
    return std::nullopt;
}

std::string WithTrailingBackslash(const std::string& path) {
    return (!path.empty() && path.back() == '\\') ? path : path + '\\';
}

std::string SplitPathPart(const std::string& path, bool lastPart, bool url) {
    const std::size_t at = path.find_last_of(url ? '/' : '\\');
    if (at == std::string::npos)
        return path;
    return lastPart ? path.substr(at + 1) : path.substr(0, at + 1);
}

}  // namespace vantor::online
