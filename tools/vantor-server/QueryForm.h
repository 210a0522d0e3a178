#pragma once

// Finds the statement field in the query script's request body. The program writes a multipart
// body that strict parsers refuse (a comma before "boundary", no closing "--"), so the body is
// read here by hand; a plain form body (rquery=...) is accepted too, for people trying the
// script with other tools.

#include <optional>
#include <string>
#include <string_view>

namespace vantor::server {

struct QueryField {
    std::string name;   // "rquery" or "query"
    std::string value;  // as sent: encrypted and percent-encoded
};

std::optional<QueryField> ReadQueryField(std::string_view contentType, std::string_view body);

}  // namespace vantor::server
