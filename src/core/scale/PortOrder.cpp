#include "core/scale/PortOrder.h"

#include <algorithm>
#include <cctype>

namespace vantor::scale {

namespace {

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Compares two digit runs as numbers without converting them (they may be long).
int compareNumbers(std::string_view a, std::string_view b) {
    while (a.size() > 1 && a.front() == '0')
        a.remove_prefix(1);
    while (b.size() > 1 && b.front() == '0')
        b.remove_prefix(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

std::string_view digitRun(std::string_view text, std::size_t from) {
    std::size_t end = from;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    return text.substr(from, end - from);
}

}  // namespace

long portNumber(std::string_view name) {
    std::size_t start = name.size();
    while (start > 0 && isDigit(name[start - 1]))
        --start;
    const std::string_view digits = name.substr(start);
    if (digits.empty() || digits.size() > 9)
        return -1;
    return std::stol(std::string(digits));
}

bool naturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const std::string_view na = digitRun(a, i), nb = digitRun(b, j);
            if (const int c = compareNumbers(na, nb); c != 0)
                return c < 0;
            i += na.size();
            j += nb.size();
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    if (a.size() - i != b.size() - j)
        return a.size() - i < b.size() - j;
    return a < b;  // equal under natural order ("COM01" and "COM1"): keep a strict order
}

std::vector<std::string> orderPorts(const std::vector<std::string>& listed, std::size_t limit) {
    std::vector<std::string> ports;
    for (const std::string& name : listed) {
        if (ports.size() == limit)
            break;
        if (name.empty() || std::find(ports.begin(), ports.end(), name) != ports.end())
            continue;
        ports.push_back(name);
    }
    std::sort(ports.begin(), ports.end(),
              [](const std::string& a, const std::string& b) { return naturalLess(a, b); });
    return ports;
}

}  // namespace vantor::scale
