#pragma once

// SQL printf() and format() on a connection, as SQLite has them, except at the length limit:
// SQLite's own answer a NULL for a result over it, after building up to it, which a client cannot
// tell from a real NULL. Here a width or repeat count over the limit is refused before any work,
// and a result over it is the error "string or blob too big".

struct sqlite3;

namespace vantor::server {

// Replaces both functions on `db`; `maxBytes` is the connection's length limit.
void InstallBoundedPrintf(sqlite3* db, int maxBytes);

}  // namespace vantor::server
