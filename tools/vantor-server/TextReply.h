#pragma once

// A whole reply with a short text body, for the handlers and the refusals.

#include <string>
#include <string_view>

struct mg_connection;

namespace vantor::server {

// `extraName`, when given, is sent with `extraValue` (e.g. Allow with a 405).
void SendText(mg_connection* connection, int status, std::string_view contentType, const std::string& body,
              const char* extraName = nullptr, const char* extraValue = nullptr);

}  // namespace vantor::server
