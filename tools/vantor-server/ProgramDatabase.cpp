#include "ProgramDatabase.h"

#include <sqlite3.h>

#include <chrono>
#include <cstring>
#include <memory>

#include "BoundedPrintf.h"

namespace vantor::server {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBusyWaitMs = 2000;
constexpr int kProgressSteps = 1000;  // virtual machine steps between deadline checks
constexpr const char* kProgramsTable = "VantorPCPrograms";

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Connection = std::unique_ptr<sqlite3, Closer>;
using Statement = std::unique_ptr<sqlite3_stmt, Closer>;

struct Opened {
    Connection db;
    std::string error;
};

int pastDeadline(void* deadline) {
    return Clock::now() > *static_cast<Clock::time_point*>(deadline) ? 1 : 0;
}

// fts3_tokenizer() hands out a pointer into the server ('simple') and, given one, calls it:
// neither belongs in a statement from a client.
bool isTokenizer(const char* function) {
    return function && sqlite3_stricmp(function, "fts3_tokenizer") == 0;
}

// The writing connection: a PRAGMA changes settings of the whole process (hard_heap_limit makes
// every later query of every client fail), so none is run for a client, read or written.
int guardWriting(void*, int action, const char*, const char* function, const char*, const char*) {
    if (action == SQLITE_PRAGMA || (action == SQLITE_FUNCTION && isTokenizer(function)))
        return SQLITE_DENY;
    return SQLITE_OK;
}

// The reading connection allows what the program sends: a SELECT of the programs table, with
// functions and common table expressions. Everything else is refused: a PRAGMA, also when it is
// reached as a table-valued function (pragma_hard_heap_limit(1)), and reads of other tables.
int guardReading(void*, int action, const char* first, const char* second, const char*, const char*) {
    switch (action) {
        case SQLITE_SELECT:
        case SQLITE_RECURSIVE:
            return SQLITE_OK;
        case SQLITE_FUNCTION:
            return isTokenizer(second) ? SQLITE_DENY : SQLITE_OK;
        case SQLITE_READ:
            return first && sqlite3_stricmp(first, kProgramsTable) == 0 ? SQLITE_OK : SQLITE_DENY;
        default:
            return SQLITE_DENY;
    }
}

Opened open(const std::string& path, int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    Connection db(raw);
    if (rc != SQLITE_OK)
        return {nullptr, raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)};
    sqlite3_busy_timeout(db.get(), kBusyWaitMs);
    // No other database files may be reached through this one.
    sqlite3_limit(db.get(), SQLITE_LIMIT_ATTACHED, 0);
    // A statement such as SELECT hex(randomblob(100000000)) must be refused, not built.
    sqlite3_limit(db.get(), SQLITE_LIMIT_LENGTH, ProgramDatabase::kMaxValueBytes);
    sqlite3_limit(db.get(), SQLITE_LIMIT_COLUMN, ProgramDatabase::kMaxColumns);
    InstallBoundedPrintf(db.get(), ProgramDatabase::kMaxValueBytes);
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0, nullptr);
    const bool reading = (flags & SQLITE_OPEN_READONLY) != 0;
    sqlite3_set_authorizer(db.get(), reading ? &guardReading : &guardWriting, nullptr);
    sqlite3_extended_result_codes(db.get(), 1);
    return {std::move(db), {}};
}

std::string execute(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return {};
    std::string error = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return error;
}

std::string setUsaValue(sqlite3* db, const char* column, const std::string& value) {
    const std::string sql =
        std::string("UPDATE VantorPCPrograms SET ") + column + " = ?1 WHERE Model = 'USA'";
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        return sqlite3_errmsg(db);
    Statement statement(raw);
    sqlite3_bind_text(raw, 1, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(raw) != SQLITE_DONE)
        return sqlite3_errmsg(db);
    return {};
}

struct Prepared {
    Statement statement;
    std::string error;
};

// Exactly one statement: anything after it but spaces, semicolons and comments is refused, so a
// second statement cannot ride along behind a harmless first one.
Prepared prepareSingle(sqlite3* db, const std::string& text) {
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, text.c_str(), static_cast<int>(text.size()), &raw, &tail) != SQLITE_OK)
        return {nullptr, sqlite3_errmsg(db)};
    Statement statement(raw);
    if (!statement)
        return {nullptr, "The statement is empty."};
    const char* end = text.c_str() + text.size();
    while (tail && tail < end) {
        sqlite3_stmt* next = nullptr;
        const char* nextTail = nullptr;
        const int rc = sqlite3_prepare_v2(db, tail, static_cast<int>(end - tail), &next, &nextTail);
        Statement trailing(next);
        if (rc != SQLITE_OK || trailing)
            return {nullptr, "Only one statement is accepted at a time."};
        if (nextTail == tail)
            break;
        tail = nextTail;
    }
    return {std::move(statement), {}};
}

std::string columnText(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    if (!text)
        return {};  // NULL reads as empty text
    return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

// Interrupts a statement that runs past its time; removed again before the deadline goes away.
class StatementDeadline {
public:
    explicit StatementDeadline(sqlite3* db) : m_db(db) {
        m_deadline = Clock::now() + std::chrono::milliseconds(ProgramDatabase::kStatementLimitMs);
        sqlite3_progress_handler(m_db, kProgressSteps, &pastDeadline, &m_deadline);
    }
    ~StatementDeadline() { sqlite3_progress_handler(m_db, 0, nullptr, nullptr); }
    StatementDeadline(const StatementDeadline&) = delete;
    StatementDeadline& operator=(const StatementDeadline&) = delete;

private:
    sqlite3* m_db;
    Clock::time_point m_deadline;
};

StatementOutcome run(sqlite3* db, sqlite3_stmt* statement, bool keepRows) {
    const StatementDeadline deadline(db);
    StatementOutcome outcome;
    outcome.fieldCount = sqlite3_column_count(statement);
    std::size_t bytes = 0;
    for (;;) {
        const int rc = sqlite3_step(statement);
        if (rc == SQLITE_DONE)
            break;
        if (rc == SQLITE_INTERRUPT) {
            outcome.error = "The statement took longer than " +
                            std::to_string(ProgramDatabase::kStatementLimitMs / 1000) +
                            " seconds and was stopped.";
            return outcome;
        }
        if (rc != SQLITE_ROW) {
            outcome.error = sqlite3_errmsg(db);
            return outcome;
        }
        if (!keepRows)
            continue;
        if (static_cast<int>(outcome.rows.size()) >= ProgramDatabase::kMaxRows) {
            outcome.error =
                "The result has more than " + std::to_string(ProgramDatabase::kMaxRows) + " rows.";
            outcome.rows.clear();
            return outcome;
        }
        std::vector<std::string> row;
        for (int column = 0; column < outcome.fieldCount && bytes <= ProgramDatabase::kMaxResultBytes;
             ++column) {
            row.push_back(columnText(statement, column));
            bytes += row.back().size() + 1;
        }
        if (bytes > ProgramDatabase::kMaxResultBytes) {
            outcome.error = "The result is larger than the server sends.";
            outcome.rows.clear();
            return outcome;
        }
        outcome.rows.push_back(std::move(row));
    }
    outcome.ok = true;
    return outcome;
}

}  // namespace

std::string ProgramDatabase::prepare(const std::optional<std::string>& currentVersion,
                                     const std::optional<std::string>& softwareUpdate) const {
    Opened opened = open(m_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!opened.db)
        return opened.error;
    sqlite3* db = opened.db.get();
    const std::string seed =
        std::string(
            "CREATE TABLE IF NOT EXISTS VantorPCPrograms ("
            " Model TEXT PRIMARY KEY, CurrentVersion TEXT, SoftwareUpdate TEXT);"
            "INSERT OR IGNORE INTO VantorPCPrograms (Model, CurrentVersion, SoftwareUpdate)"
            " VALUES ('USA', '") +
        kSeedCurrentVersion + "', '" + kSeedSoftwareUpdate + "');";
    if (std::string error = execute(db, seed.c_str()); !error.empty())
        return error;
    if (currentVersion)
        if (std::string error = setUsaValue(db, "CurrentVersion", *currentVersion); !error.empty())
            return error;
    if (softwareUpdate)
        if (std::string error = setUsaValue(db, "SoftwareUpdate", *softwareUpdate); !error.empty())
            return error;
    return {};
}

StatementOutcome ProgramDatabase::read(const std::string& statement) const {
    Opened opened = open(m_path, SQLITE_OPEN_READONLY);
    if (!opened.db)
        return {false, opened.error, 0, {}};
    Prepared prepared = prepareSingle(opened.db.get(), statement);
    if (!prepared.statement)
        return {false, prepared.error, 0, {}};
    if (!sqlite3_stmt_readonly(prepared.statement.get()))
        return {false, "Only statements that read data are accepted in \"rquery\".", 0, {}};
    return run(opened.db.get(), prepared.statement.get(), true);
}

StatementOutcome ProgramDatabase::write(const std::string& statement) const {
    Opened opened = open(m_path, SQLITE_OPEN_READWRITE);
    if (!opened.db)
        return {false, opened.error, 0, {}};
    Prepared prepared = prepareSingle(opened.db.get(), statement);
    if (!prepared.statement)
        return {false, prepared.error, 0, {}};
    return run(opened.db.get(), prepared.statement.get(), false);
}

}  // namespace vantor::server
