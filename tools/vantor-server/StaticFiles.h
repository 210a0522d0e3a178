#pragma once

// The replies for files under the root: GET and HEAD, one byte range or the whole file, the
// validators (ETag, Last-Modified) and the conditional requests that use them. CivetWeb's own
// file serving is not used: its range replies can announce more or fewer bytes than they send.

#include <string>

struct mg_connection;

namespace vantor::server {

class FileRoot;

class StaticFiles {
public:
    explicit StaticFiles(const FileRoot& root) : m_root(root) {}

    // Answers the request on `connection`; returns the status sent. `note` gets what the log line
    // should add.
    int serve(mg_connection* connection, std::string& note) const;

private:
    const FileRoot& m_root;
};

}  // namespace vantor::server
