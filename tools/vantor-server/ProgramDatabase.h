#pragma once

// The maker's database behind the query script: one SQLite file holding VantorPCPrograms.

#include <optional>
#include <string>
#include <vector>

namespace vantor::server {

struct StatementOutcome {
    bool ok = false;
    std::string error;  // why the statement was refused or failed
    int fieldCount = 0;
    std::vector<std::vector<std::string>> rows;
};

class ProgramDatabase {
public:
    // Values of the 'USA' row when the table is first created.
    static constexpr const char* kSeedCurrentVersion = "3.0";
    static constexpr const char* kSeedSoftwareUpdate = "N";
    // Bounds on one statement, so one request cannot hold a worker or exhaust memory.
    static constexpr int kMaxRows = 32767;  // the client's tables hold no more
    static constexpr std::size_t kMaxResultBytes = 8 * 1024 * 1024;
    // No single text or blob, the statement's own or one it makes on the way, may grow past this:
    // SQLite refuses it before taking the memory.
    static constexpr int kMaxValueBytes = 1024 * 1024;
    // With the value bound, this bounds one row: the program's table has three columns.
    static constexpr int kMaxColumns = 8;
    static constexpr int kStatementLimitMs = 5000;

    explicit ProgramDatabase(std::string path) : m_path(std::move(path)) {}
    const std::string& path() const { return m_path; }

    // Creates the file and the table when missing (with the 'USA' row), then sets the values
    // given. Returns the reason when the file cannot be used; empty on success.
    std::string prepare(const std::optional<std::string>& currentVersion,
                        const std::optional<std::string>& softwareUpdate) const;

    // A single statement that only reads, on a connection opened read-only.
    StatementOutcome read(const std::string& statement) const;
    // A single statement of any kind; its rows, if any, are not returned.
    StatementOutcome write(const std::string& statement) const;

private:
    std::string m_path;
};

}  // namespace vantor::server
