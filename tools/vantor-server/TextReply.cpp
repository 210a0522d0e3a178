#include "TextReply.h"

#include <civetweb.h>

namespace vantor::server {

void SendText(mg_connection* connection, int status, std::string_view contentType, const std::string& body,
              const char* extraName, const char* extraValue) {
    const std::string type(contentType);
    const std::string length = std::to_string(body.size());
    mg_response_header_start(connection, status);
    mg_response_header_add(connection, "Content-Type", type.c_str(), -1);
    mg_response_header_add(connection, "Content-Length", length.c_str(), -1);
    mg_response_header_add(connection, "Cache-Control", "no-store", -1);
    if (extraName && extraValue)
        mg_response_header_add(connection, extraName, extraValue, -1);
    mg_response_header_send(connection);
    if (!body.empty())
        mg_write(connection, body.data(), body.size());
}

}  // namespace vantor::server
