#include "BoundedPrintf.h"

#include <sqlite3.h>

#include <climits>
#include <cstring>
#include <string>

namespace vantor::server {

namespace {

constexpr long long kHuge = 1LL << 62;
// A precision only cuts these conversions short; for the others it repeats or pads.
constexpr const char* kCuttingConversions = "sSzqQw";

struct Formatter {
    sqlite3* helper = nullptr;  // a connection whose printf is SQLite's own
    int maxBytes = 0;
    ~Formatter() { sqlite3_close_v2(helper); }
};

struct Arguments {
    int count;
    sqlite3_value** values;
    long long integer(int index) const { return index < count ? sqlite3_value_int64(values[index]) : 0; }
};

long long magnitude(long long value) {
    return value < 0 ? (value == LLONG_MIN ? kHuge : -value) : value;
}

long long digitsAt(const char*& at) {
    long long value = 0;
    while (*at >= '0' && *at <= '9') {
        value = value > kHuge / 10 ? kHuge : value * 10 + (*at - '0');
        ++at;
    }
    return value;
}

// A width or precision: digits, or "*" taking the next argument.
long long amountAt(const char*& at, const Arguments& arguments, int& next) {
    if (*at != '*')
        return digitsAt(at);
    ++at;
    return magnitude(arguments.integer(next++));
}

// Whether `format` asks for a width, or a precision that repeats or pads, of more than `maxBytes`.
bool asksTooMuch(const char* format, const Arguments& arguments, long long maxBytes) {
    int next = 1;  // the format is argument 0
    for (const char* at = std::strchr(format, '%'); at; at = std::strchr(at, '%')) {
        ++at;
        if (*at == '%') {
            ++at;
            continue;
        }
        while (*at && std::strchr("-+ #0,!", *at))
            ++at;
        const long long width = amountAt(at, arguments, next);
        long long precision = 0;
        if (*at == '.') {
            ++at;
            precision = amountAt(at, arguments, next);
        }
        while (*at == 'l')
            ++at;
        if (*at == '\0')
            break;
        const bool cuts = std::strchr(kCuttingConversions, *at) != nullptr;
        if (width > maxBytes || (!cuts && precision > maxBytes))
            return true;
        ++next;
        ++at;
    }
    return false;
}

bool openHelper(Formatter& formatter) {
    if (formatter.helper)
        return true;
    if (sqlite3_open_v2(":memory:", &formatter.helper, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        return false;
    sqlite3_limit(formatter.helper, SQLITE_LIMIT_LENGTH, formatter.maxBytes);
    return true;
}

void boundedPrintf(sqlite3_context* context, int count, sqlite3_value** values) {
    auto* formatter = static_cast<Formatter*>(sqlite3_user_data(context));
    const auto* format = reinterpret_cast<const char*>(count > 0 ? sqlite3_value_text(values[0]) : nullptr);
    if (!format)
        return;  // NULL, as SQLite answers
    if (asksTooMuch(format, Arguments{count, values}, formatter->maxBytes) || !openHelper(*formatter)) {
        sqlite3_result_error_toobig(context);
        return;
    }
    std::string sql = "SELECT printf(?1";
    for (int i = 2; i <= count; ++i)
        sql += ",?" + std::to_string(i);
    sql += ")";
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(formatter->helper, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_result_error(context, sqlite3_errmsg(formatter->helper), -1);
        return;
    }
    for (int i = 0; i < count; ++i)
        sqlite3_bind_value(statement, i + 1, values[i]);
    if (sqlite3_step(statement) != SQLITE_ROW)
        sqlite3_result_error(context, sqlite3_errmsg(formatter->helper), -1);
    else if (sqlite3_column_type(statement, 0) == SQLITE_NULL && *format != '\0')
        sqlite3_result_error_toobig(context);  // what SQLite answers when it ran past the limit
    else
        sqlite3_result_value(context, sqlite3_column_value(statement, 0));
    sqlite3_finalize(statement);
}

void destroy(void* formatter) {
    delete static_cast<Formatter*>(formatter);
}

}  // namespace

void InstallBoundedPrintf(sqlite3* db, int maxBytes) {
    auto* formatter = new Formatter{nullptr, maxBytes};
    // printf owns the formatter; format shares it and goes away with the same connection.
    sqlite3_create_function_v2(db, "printf", -1, SQLITE_UTF8, formatter, &boundedPrintf, nullptr, nullptr,
                               &destroy);
    sqlite3_create_function_v2(db, "format", -1, SQLITE_UTF8, formatter, &boundedPrintf, nullptr, nullptr,
                               nullptr);
}

}  // namespace vantor::server
