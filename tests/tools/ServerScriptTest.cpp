// vantor-server's query script without the web server: reading the program's request body,
// the statement rules on the database, the replies it writes, and the command line; and the rules
// of its files and clients: byte ranges, the root, connections per address.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ByteRange.h"
#include "ConnectionLimit.h"
#include "FileRoot.h"
#include "ProgramDatabase.h"
#include "QueryForm.h"
#include "QueryScript.h"
#include "ServerOptions.h"
#include "core/online/modQuery.h"

using namespace vantor::server;
using namespace vantor::online;
namespace fs = std::filesystem;

namespace {

const std::string kVersionStatement = "SELECT CurrentVersion From VantorPCPrograms WHERE Model ='USA'";
const std::string kUpdateStatement = "SELECT SoftwareUpdate From VantorPCPrograms WHERE Model ='USA'";

TEST(QueryForm, ReadsTheProgramsOwnBody) {
    const std::string body = BuildQueryBody(kFetchField, "SELECT 1");
    const auto field = ReadQueryField(kQueryContentType, body);
    ASSERT_TRUE(field);
    EXPECT_EQ(field->name, "rquery");
    EXPECT_EQ(field->value, EncodeForWire("SELECT 1"));
}

TEST(QueryForm, ReadsStandardMultipartAndPlainForms) {
    const std::string standard =
        "--xyz\r\nContent-Disposition: form-data; name=\"other\"\r\n\r\nignored\r\n"
        "--xyz\r\nContent-Disposition: form-data; name=\"query\"\r\nContent-Type: text/plain\r\n\r\nABC\r\n"
        "--xyz--\r\n";
    const auto field = ReadQueryField("multipart/form-data; boundary=\"xyz\"", standard);
    ASSERT_TRUE(field);
    EXPECT_EQ(field->name, "query");
    EXPECT_EQ(field->value, "ABC");

    const auto plain = ReadQueryField("application/x-www-form-urlencoded", "a=1&rquery=%41%42&b=2");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->name, "rquery");
    EXPECT_EQ(plain->value, "%41%42");

    // Without a boundary in the header, the body's first line names it.
    const auto guessed = ReadQueryField(
        "", "--AaB03x\r\ncontent-disposition: form-data; name=\"rquery\"\r\n\r\nQ\r\n--AaB03x");
    ASSERT_TRUE(guessed);
    EXPECT_EQ(guessed->value, "Q");
}

TEST(QueryForm, FindsNothingInMalformedBodies) {
    for (const std::string& body :
         std::vector<std::string>{"", "--", "--AaB03x", "--AaB03x\r\n", "--AaB03x\r\nno headers end",
                                  "--AaB03x\r\ncontent-disposition: form-data; filename=\"rquery\"\r\n\r\nx",
                                  "--AaB03x\r\ncontent-disposition: form-data; name=\"rqueryx\"\r\n\r\nx",
                                  "--AaB03x--\r\n", "rquerx=1", std::string(1000, '-')}) {
        EXPECT_FALSE(ReadQueryField(kQueryContentType, body)) << body;
    }
    EXPECT_FALSE(ReadQueryField("multipart/form-data", "no boundary anywhere"));
}

class ScriptDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = (fs::temp_directory_path() /
                  ("vantor-script-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".sqlite"))
                     .string();
        fs::remove(m_path);
    }
    void TearDown() override {
        fs::remove(m_path);
        fs::remove(m_path + "-journal");
    }

    std::string m_path;
};

TEST_F(ScriptDatabase, SeedsTheUsaRowOnceAndLetsOptionsSetIt) {
    const ProgramDatabase database(m_path);
    ASSERT_EQ(database.prepare(std::nullopt, std::nullopt), "");
    StatementOutcome seeded =
        database.read("SELECT Model, CurrentVersion, SoftwareUpdate FROM VantorPCPrograms");
    ASSERT_TRUE(seeded.ok) << seeded.error;
    EXPECT_EQ(seeded.rows, (std::vector<std::vector<std::string>>{{"USA", "3.0", "N"}}));

    ASSERT_EQ(database.prepare(std::string(" 3.0 "), std::string("")), "");
    ASSERT_EQ(database.prepare(std::nullopt, std::nullopt), "");  // a second start keeps the values
    EXPECT_EQ(database.read(kVersionStatement).rows, (std::vector<std::vector<std::string>>{{" 3.0 "}}));
    EXPECT_EQ(database.read(kUpdateStatement).rows, (std::vector<std::vector<std::string>>{{""}}));
}

TEST_F(ScriptDatabase, RefusesAFileThatIsNotADatabase) {
    std::ofstream(m_path) << "this is not a database, just text that is long enough to have a header";
    EXPECT_NE(ProgramDatabase(m_path).prepare(std::nullopt, std::nullopt), "");
}

TEST_F(ScriptDatabase, ReadsOnlySingleReadingStatements) {
    const ProgramDatabase database(m_path);
    ASSERT_EQ(database.prepare(std::nullopt, std::nullopt), "");
    for (const std::string statement :
         {"DELETE FROM VantorPCPrograms", "UPDATE VantorPCPrograms SET CurrentVersion = '9'",
          "SELECT 1; DELETE FROM VantorPCPrograms", "SELECT 1; SELECT 2", "DROP TABLE VantorPCPrograms",
          "ATTACH DATABASE '/tmp/other.sqlite' AS other", "", "   ", "-- only a comment", "SELEC 1",
          "SELECT * FROM missing"}) {
        const StatementOutcome outcome = database.read(statement);
        EXPECT_FALSE(outcome.ok) << statement;
        EXPECT_FALSE(outcome.error.empty()) << statement;
    }
    EXPECT_TRUE(database.read("SELECT 1;  -- trailing comment\n").ok);
    EXPECT_EQ(database.read(kVersionStatement).rows, (std::vector<std::vector<std::string>>{{"3.0"}}));
    EXPECT_FALSE(fs::exists("/tmp/other.sqlite"));
}

TEST_F(ScriptDatabase, BoundsRunawayStatements) {
    const ProgramDatabase database(m_path);
    ASSERT_EQ(database.prepare(std::nullopt, std::nullopt), "");
    const StatementOutcome tooMany = database.read(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n LIMIT 40000) SELECT i FROM n");
    EXPECT_FALSE(tooMany.ok);
    EXPECT_NE(tooMany.error.find("32767"), std::string::npos) << tooMany.error;
    EXPECT_TRUE(tooMany.rows.empty());
}

TEST_F(ScriptDatabase, NoValueOrRowGrowsPastAFewMegabytes) {
    const ProgramDatabase database(m_path);
    ASSERT_EQ(database.prepare(std::nullopt, std::nullopt), "");
    for (const std::string statement :
         {"SELECT hex(randomblob(100000000))", "SELECT length(hex(randomblob(600000)))",
          "SELECT length(zeroblob(2000000))"}) {
        const StatementOutcome outcome = database.read(statement);
        EXPECT_FALSE(outcome.ok) << statement;
        EXPECT_EQ(outcome.error, "string or blob too big") << statement;
    }
    EXPECT_EQ(database.read("SELECT length(hex(randomblob(500000)))").rows,
              (std::vector<std::vector<std::string>>{{"1000000"}}));
    const StatementOutcome wide = database.read("SELECT 1, 2, 3, 4, 5, 6, 7, 8, 9");
    EXPECT_FALSE(wide.ok);
    EXPECT_EQ(wide.error, "too many columns in result set");
}

TEST_F(ScriptDatabase, ATooLongPrintfIsAnErrorNotAnEmptyValue) {
    const ProgramDatabase database(m_path);
    ASSERT_EQ(database.prepare(std::nullopt, std::nullopt), "");
    for (const std::string statement :
         {"SELECT printf('%.*c', 2000000000, 'x')", "SELECT printf('%2000000d', 1)",
          "SELECT format('%s%s', hex(randomblob(300000)), hex(randomblob(300000)))",
          "SELECT printf('%.*c', -2000000000, 'x')"}) {
        const StatementOutcome outcome = database.read(statement);
        EXPECT_FALSE(outcome.ok) << statement;
        EXPECT_EQ(outcome.error, "string or blob too big") << statement;
    }
    EXPECT_EQ(database
                  .read("SELECT printf('%05.1f|%-3s|%.2s|%d%%', 2.5, 'a', 'xyz', 7), printf(''), "
                        "format('%s', NULL), length(printf('%.*c', 1000, 'x'))")
                  .rows,
              (std::vector<std::vector<std::string>>{{"002.5|a  |xy|7%", "", "", "1000"}}));
}

TEST_F(ScriptDatabase, TheTokenizerInterfaceIsOff) {
    const ProgramDatabase database(m_path);
    ASSERT_EQ(database.prepare(std::nullopt, std::nullopt), "");
    for (const std::string statement :
         {"SELECT fts3_tokenizer('simple')", "SELECT hex(FTS3_TOKENIZER('porter'))",
          "SELECT fts3_tokenizer('x', x'4141414141414141')"}) {
        const StatementOutcome outcome = database.read(statement);
        EXPECT_FALSE(outcome.ok) << statement;
        EXPECT_TRUE(outcome.rows.empty()) << statement;
    }
    EXPECT_FALSE(database.write("SELECT fts3_tokenizer('x', x'4141414141414141')").ok);
}

TEST_F(ScriptDatabase, WritesChangeTheData) {
    const ProgramDatabase database(m_path);
    ASSERT_EQ(database.prepare(std::nullopt, std::nullopt), "");
    ASSERT_TRUE(database.write("UPDATE VantorPCPrograms SET SoftwareUpdate = 'Y' WHERE Model = 'USA'").ok);
    EXPECT_EQ(database.read(kUpdateStatement).rows, (std::vector<std::vector<std::string>>{{"Y"}}));
    EXPECT_FALSE(database.write("UPDATE VantorPCPrograms SET X = 1").ok);
    EXPECT_FALSE(
        database.write("UPDATE VantorPCPrograms SET SoftwareUpdate = 'N'; DROP TABLE VantorPCPrograms").ok);
    EXPECT_EQ(database.read(kUpdateStatement).rows, (std::vector<std::vector<std::string>>{{"Y"}}));
}

class Script : public ScriptDatabase {
protected:
    void SetUp() override {
        ScriptDatabase::SetUp();
        m_database = std::make_unique<ProgramDatabase>(m_path);
        ASSERT_EQ(m_database->prepare(std::string("3.1"), std::string("y")), "");
    }

    // The decrypted reply text to a statement in the given field.
    std::string ask(const QueryScript& script, std::string_view field, const std::string& statement) const {
        const ScriptReply reply = script.answer(kQueryContentType, BuildQueryBody(field, statement));
        return DecodeFromWire(reply.body);
    }

    std::unique_ptr<ProgramDatabase> m_database;
};

TEST_F(Script, AnswersBothChecksInTheReplyFormat) {
    const QueryScript script(*m_database, false);
    EXPECT_EQ(ask(script, kFetchField, kVersionStatement), "1\n1\n3.1|");
    EXPECT_EQ(ask(script, kFetchField, kUpdateStatement), "1\n1\ny|");
    EXPECT_EQ(ask(script, kFetchField, "SELECT Model FROM VantorPCPrograms WHERE Model = 'EU'"), "0\n1\n");
}

TEST_F(Script, RefusesWritesUnlessAllowed) {
    const std::string update = "UPDATE VantorPCPrograms SET CurrentVersion = '4.0'";
    const std::string refused = ask(QueryScript(*m_database, false), kExecuteField, update);
    EXPECT_TRUE(refused.starts_with("#ERR#")) << refused;
    EXPECT_NE(refused.find("--allow-writes"), std::string::npos);
    EXPECT_EQ(m_database->read(kVersionStatement).rows[0][0], "3.1");

    EXPECT_EQ(ask(QueryScript(*m_database, true), kExecuteField, update), "Query Executed!");
    EXPECT_EQ(m_database->read(kVersionStatement).rows[0][0], "4.0");
    // Writing through the reading field stays refused even when writes are allowed.
    EXPECT_TRUE(ask(QueryScript(*m_database, true), kFetchField, "DELETE FROM VantorPCPrograms")
                    .starts_with("#ERR#"));
}

TEST_F(Script, EveryReplyIsEncryptedFromAFreshKeystream) {
    const QueryScript script(*m_database, false);
    const ScriptReply first =
        script.answer(kQueryContentType, BuildQueryBody(kFetchField, kVersionStatement));
    const ScriptReply second =
        script.answer(kQueryContentType, BuildQueryBody(kFetchField, kVersionStatement));
    EXPECT_EQ(first.body, second.body);
    EXPECT_EQ(first.body, EncodeForWire("1\n1\n3.1|"));
    EXPECT_EQ(first.status, 200);
    EXPECT_NE(first.note.find("rquery SELECT CurrentVersion"), std::string::npos) << first.note;
}

TEST_F(Script, ABodyWithoutAFieldOrTooLargeIsAnsweredAsAnError) {
    const QueryScript script(*m_database, false);
    const ScriptReply none = script.answer("text/plain", "hello");
    EXPECT_TRUE(DecodeFromWire(none.body).starts_with("#ERR#"));
    const ScriptReply large = QueryScript::bodyTooLarge();
    EXPECT_EQ(large.status, 413);
    EXPECT_EQ(DecodeFromWire(large.body), "#ERR#The request is larger than 64 KiB.");
}

TEST(ServerCommandLine, ReadsEveryOption) {
    const OptionsOutcome outcome =
        parseServerOptions({"--port", "8080", "--root=/srv", "--database", "db.sqlite", "--allow-writes",
                            "--current-version", " 3.0 ", "--software-update=", "--help"});
    ASSERT_TRUE(outcome.options) << outcome.error;
    EXPECT_EQ(outcome.options->port, 8080);
    EXPECT_EQ(outcome.options->root, "/srv");
    EXPECT_EQ(outcome.options->database, "db.sqlite");
    EXPECT_TRUE(outcome.options->allowWrites);
    EXPECT_EQ(outcome.options->currentVersion, " 3.0 ");
    EXPECT_EQ(outcome.options->softwareUpdate, "");
    EXPECT_TRUE(outcome.options->help);

    const OptionsOutcome defaults = parseServerOptions({});
    ASSERT_TRUE(defaults.options);
    EXPECT_EQ(defaults.options->port, 0);
    EXPECT_FALSE(defaults.options->allowWrites);
    EXPECT_FALSE(defaults.options->currentVersion);
}

TEST(ServerCommandLine, RefusesBadArgumentsWithAReason) {
    const std::vector<std::vector<std::string>> refused = {
        {"--port"}, {"--port", "65536"}, {"--port", "-1"},   {"--port", "80x"}, {"--port", ""},
        {"--root"}, {"--root="},         {"--database", ""}, {"--bogus"},       {"extra"}};
    for (const std::vector<std::string>& args : refused) {
        const OptionsOutcome outcome = parseServerOptions(args);
        EXPECT_FALSE(outcome.options) << args[0];
        EXPECT_FALSE(outcome.error.empty());
    }
}

TEST(ByteRange, OneRangeIsClippedToTheFileOrRefusedPastItsEnd) {
    using Kind = RangeAnswer::Kind;
    constexpr std::uint64_t kSize = 1048576;
    const RangeAnswer whole;
    const RangeAnswer unsatisfiable{Kind::Unsatisfiable};
    const std::vector<std::pair<std::string, RangeAnswer>> cases = {
        {"bytes=0-", {Kind::Part, 0, 1048575}},
        {"bytes=10-19", {Kind::Part, 10, 19}},
        {"bytes=5-5", {Kind::Part, 5, 5}},
        {"Bytes = 7-8 ", {Kind::Part, 7, 8}},
        {"bytes=1048575-", {Kind::Part, 1048575, 1048575}},
        {"bytes=0-18446744073709551615", {Kind::Part, 0, 1048575}},
        {"bytes=0-99999999999999999999999", {Kind::Part, 0, 1048575}},
        {"bytes=-10", {Kind::Part, 1048566, 1048575}},
        {"bytes=-2000000", {Kind::Part, 0, 1048575}},
        {"bytes=, 3-4 ,", {Kind::Part, 3, 4}},
        {"bytes=1048576-", unsatisfiable},
        {"bytes=9223372036854775807-", unsatisfiable},
        {"bytes=99999999999999999999999-", unsatisfiable},
        {"bytes=-0", unsatisfiable},
        // Not a range this server can read: the whole file.
        {"bytes=5-2", whole},
        {"bytes=0-0,5-6", whole},
        {"bytes=1048576-,2000000-", whole},
        {"bytes=", whole},
        {"bytes=-", whole},
        {"bytes=1-2-3", whole},
        {"bytes=+1-2", whole},
        {"bytes=0x10-", whole},
        {"bytes 0-1", whole},
        {"items=0-1", whole},
        {"", whole},
    };
    for (const auto& [header, expected] : cases)
        EXPECT_EQ(AnswerRange(header, kSize), expected) << header;
    EXPECT_EQ(AnswerRange("bytes=0-", 0), whole) << "an empty file has no byte to select";
    EXPECT_EQ(AnswerRange("bytes=-5", 3), (RangeAnswer{Kind::Part, 0, 2}));
}

TEST(ByteRange, IfRangeKeepsTheRangeOnlyForTheSameFile) {
    const std::string etag = "\"6b17ed10.3\"";
    const std::string date = "Tue, 08 Dec 2026 11:42:08 GMT";
    EXPECT_TRUE(RangeStillApplies(etag, etag, date));
    EXPECT_TRUE(RangeStillApplies(date, etag, date));
    EXPECT_FALSE(RangeStillApplies("\"6b17ed10.4\"", etag, date));
    EXPECT_FALSE(RangeStillApplies("W/" + etag, etag, date)) << "a weak tag never matches";
    EXPECT_FALSE(RangeStillApplies("Tue, 08 Dec 2026 11:42:09 GMT", etag, date));
}

TEST(ConnectionLimit, AnAddressOverTheLimitLosesItsQuietestConnections) {
    const std::vector<HeldConnection> held = {
        {1, "127.0.0.2", 50}, {2, "127.0.0.2", 9000}, {3, "127.0.0.3", 9000},
        {4, "127.0.0.2", 0},  {5, "127.0.0.2", 9000}, {6, "127.0.0.3", 1},
    };
    EXPECT_EQ(ConnectionsOverLimit(held, 2, 100), (std::vector<int>{2, 5}));
    EXPECT_EQ(ConnectionsOverLimit(held, 1, 100), (std::vector<int>{2, 3, 5, 1}));
    EXPECT_TRUE(ConnectionsOverLimit(held, 4, 100).empty());
    // Each address within its limit, all of them over the bound in all: the quietest end.
    EXPECT_EQ(ConnectionsOverLimit(held, 4, 3), (std::vector<int>{2, 3, 5}));
    EXPECT_EQ(ConnectionsOverLimit(held, 2, 2), (std::vector<int>{2, 3, 5, 1}));
}

class ServedFolder : public ::testing::Test {
protected:
    void SetUp() override {
        m_top = fs::temp_directory_path() / ("vantor-root-" + std::to_string(::getpid()));
        fs::remove_all(m_top);
        fs::create_directories(m_root / "sub");
        std::ofstream(m_root / "sub" / "file.txt") << "inside";
        std::ofstream(m_root / "sub" / "index.html") << "index";
        std::ofstream(m_top / "secret.txt") << "outside";
    }
    void TearDown() override { fs::remove_all(m_top); }

    std::string read(const FileRoot& root, const std::string& path) const {
        const FileRoot::Found found = root.open(path);
        if (!found.file)
            return found.outside ? "<outside>" : found.folder ? "<folder>" : "<none>";
        std::string text(found.file->size(), '\0');
        EXPECT_EQ(::pread(found.file->fd(), text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
        return text;
    }

    fs::path m_top;
    fs::path m_root = fs::temp_directory_path() / ("vantor-root-" + std::to_string(::getpid())) / "root";
};

TEST_F(ServedFolder, OpensOnlyRegularFilesInsideTheRoot) {
    fs::create_symlink(m_top / "secret.txt", m_root / "out.txt");
    fs::create_directory_symlink(m_top, m_root / "up");
    fs::create_symlink(m_root / "sub" / "file.txt", m_root / "alias.txt");
    ASSERT_EQ(::mkfifo((m_root / "fifo").c_str(), 0600), 0);
    const FileRoot root(m_root.string());
    ASSERT_TRUE(root.valid());
    EXPECT_EQ(read(root, "/sub/file.txt"), "inside");
    EXPECT_EQ(read(root, "/alias.txt"), "inside") << "a link that stays inside is an ordinary file";
    EXPECT_EQ(read(root, "/sub/"), "index");
    EXPECT_EQ(read(root, "/out.txt"), "<outside>");
    EXPECT_EQ(read(root, "/up/secret.txt"), "<outside>");
    EXPECT_EQ(read(root, "/../secret.txt"), "<outside>");
    EXPECT_EQ(read(root, "/fifo"), "<none>") << "opened without waiting for a writer, then refused";
    EXPECT_EQ(read(root, "/"), "<folder>");
    EXPECT_EQ(read(root, "/missing"), "<none>");
    EXPECT_FALSE(FileRoot((m_top / "missing").string()).valid());
}

}  // namespace
