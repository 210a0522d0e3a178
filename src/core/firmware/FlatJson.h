#pragma once

// The little JSON the update history needs: one flat object a line, with string keys and string,
// number, true, false or null values. Plain text in, plain text out.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::firmware {

struct JsonValue {
    enum class Kind { String, Number, Bool, Null } kind = Kind::Null;
    std::string text;  // a string, its escapes undone (UTF-8)
    double number = 0;
    bool flag = false;
};

using JsonObject = std::map<std::string, JsonValue>;

// The object `text` holds, blanks around it allowed; nullopt for anything else (nested values, a
// bad escape, a control character in a string, text after the object). A key given twice keeps its
// last value.
std::optional<JsonObject> readFlatJsonObject(std::string_view text);

// `text` as a JSON string, quotes included: " and \ escaped, control characters as \u00XX, other
// bytes as they are.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace vantor::firmware
