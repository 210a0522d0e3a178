#pragma once

// The query script: the request body in, the reply out. The reply is written in the channel's
// format, encrypted from a fresh keystream and percent-encoded, so the program reads refusals and
// errors the same way as rows.

#include <string>
#include <string_view>

#include "ProgramDatabase.h"

namespace vantor::server {

struct ScriptReply {
    int status = 200;
    std::string body;  // on the wire: encrypted and percent-encoded
    std::string note;  // one line for the request log: what was asked and how it ended
};

class QueryScript {
public:
    // Request bodies larger than this are refused unread.
    static constexpr std::size_t kMaxBodyBytes = 64 * 1024;

    QueryScript(const ProgramDatabase& database, bool allowWrites)
        : m_database(database), m_allowWrites(allowWrites) {}

    ScriptReply answer(std::string_view contentType, std::string_view body) const;
    static ScriptReply bodyTooLarge();

private:
    ScriptReply fetch(const std::string& statement) const;
    ScriptReply execute(const std::string& statement) const;

    const ProgramDatabase& m_database;
    bool m_allowWrites;
};

}  // namespace vantor::server
