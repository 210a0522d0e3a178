#pragma once

#include <QString>
#include <ostream>

// Qt strings in test failures as text rather than as arrays of code units.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
