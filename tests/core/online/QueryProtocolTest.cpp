// The query channel's bytes: the request body, the percent-encoding both ways, the reply reading
// and the row format, checked without any network.

#include <gtest/gtest.h>

#include "core/online/clsRC4.h"
#include "core/online/modQuery.h"

using namespace vantor::online;

namespace {

std::string allBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    return bytes;
}

// What the server would send for a decrypted reply text.
std::string onTheWire(const std::string& reply) {
    return EncodeForWire(reply);
}

TEST(QueryBody, SelectXIsSentExactlyAsTheScriptExpects) {
    // SELECT x under the channel's key encrypts to 47 2D DF 79 E9 7C E2 26; of those only 47 (G)
    // and 79 (y) are letters or digits.
    const std::string expected =
        "--AaB03x\r\n"
        "content-disposition: form-data; name=\"rquery\"\r\n"
        "\r\n"
        "G%2D%DFy%E9%7C%E2%26\r\n"
        "--AaB03x";
    EXPECT_EQ(BuildQueryBody(kFetchField, "SELECT x"), expected);

    const std::string execute = BuildQueryBody(kExecuteField, "SELECT x");
    EXPECT_NE(execute.find("name=\"query\"\r\n\r\nG%2D%DFy%E9%7C%E2%26\r\n--AaB03x"), std::string::npos);
    EXPECT_TRUE(execute.ends_with("--AaB03x"));
    EXPECT_EQ(kQueryContentType, "multipart/form-data, boundary=AaB03x");
}

TEST(QueryEncoding, KeepsOnlyLettersAndDigitsAndWritesEverythingElseAsUpperCaseHex) {
    const std::string encoded = EncodeQueryText(allBytes());
    std::string expected;
    for (int b = 0; b < 256; ++b) {
        const bool kept = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
        if (kept) {
            expected += static_cast<char>(b);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", b);
            expected += hex;
        }
    }
    EXPECT_EQ(encoded, expected);
    EXPECT_EQ(EncodeQueryText(" "), "%20");  // never "+"
    EXPECT_EQ(EncodeQueryText("\x05"), "%05");
    EXPECT_EQ(EncodeQueryText("-._~"), "%2D%2E%5F%7E");
}

TEST(QueryEncoding, ReplyDecodingReadsPlusAndHexInEitherCase) {
    EXPECT_EQ(DecodeReplyText(EncodeQueryText(allBytes())), allBytes());
    EXPECT_EQ(DecodeReplyText("a+b"), "a b");
    EXPECT_EQ(DecodeReplyText("%4a%4A%e9"), "JJ\xE9");
    EXPECT_EQ(DecodeReplyText("plain"), "plain");
}

TEST(QueryEncoding, ReplyDecodingCopesWithShortAndBrokenEscapes) {
    EXPECT_EQ(DecodeReplyText("ab%"), "ab");                    // a lone "%" at the end is dropped
    EXPECT_EQ(DecodeReplyText("ab%4"), "ab\x04");               // one digit left: read alone
    EXPECT_EQ(DecodeReplyText("%4Gx"), "\x04x");                // reading stops at the first non-digit
    EXPECT_EQ(DecodeReplyText("%G1x"), std::string("\0x", 2));  // no digits: a 0 byte
    EXPECT_EQ(DecodeReplyText("%"), "");
}

TEST(QueryReply, OneByOneTableWithOrWithoutTheFinalBar) {
    for (const std::string reply : {"1\n1\n3.1", "1\n1\n3.1|"}) {
        const QueryResult result = ReadFetchReply(onTheWire(reply));
        ASSERT_EQ(result.rows.rowCount(), 1) << reply;
        EXPECT_EQ(result.rows.fieldCount(), 1);
        EXPECT_EQ(result.rows.value(0, 0), "3.1");
        EXPECT_EQ(result.message, "");
    }
}

TEST(QueryReply, NoRowsIsAnEmptyResultWithoutAMessage) {
    const QueryResult result = ReadFetchReply(onTheWire("0\n"));
    EXPECT_TRUE(result.rows.empty());
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(result.failure, "");
}

TEST(QueryReply, AnEmptyBodyIsNoResponse) {
    EXPECT_EQ(ReadFetchReply("").message, "No response from server");
    EXPECT_TRUE(ReadFetchReply("").rows.empty());
    EXPECT_EQ(ReadExecuteReply("").message, "No response from server");
    EXPECT_FALSE(ReadExecuteReply("").executed);
}

TEST(QueryReply, AnErrorReplyShowsExactlyTheMessage) {
    const QueryResult result = ReadFetchReply(onTheWire("#ERR#no such table: VantorPCProgram"));
    EXPECT_EQ(result.message, "no such table: VantorPCProgram");
    EXPECT_TRUE(result.rows.empty());
    // An error mark with nothing after it still tells the user something went wrong.
    EXPECT_FALSE(ReadFetchReply(onTheWire("#ERR#")).message.empty());
}

TEST(QueryReply, TheErrorMarkIsCaseSensitive) {
    const QueryResult result = ReadFetchReply(onTheWire("#err#1\n1\nx|"));
    EXPECT_EQ(result.message, "");
    EXPECT_TRUE(result.rows.empty());  // parsed as rows: no leading count, so no rows
}

TEST(QueryReply, ExecuteExpectsExactlyQueryExecuted) {
    EXPECT_TRUE(ReadExecuteReply(onTheWire("Query Executed!")).executed);
    EXPECT_EQ(ReadExecuteReply(onTheWire("Query Executed!")).message, "");
    const QueryResult other = ReadExecuteReply(onTheWire("query executed!"));
    EXPECT_FALSE(other.executed);
    EXPECT_EQ(other.message, "query executed!");
    EXPECT_EQ(ReadExecuteReply(onTheWire("#ERR#refused")).message, "#ERR#refused");
}

TEST(QueryTokens, TakeTokenSplitsAtTheDelimiterAndTrimsOnlyTheRest) {
    std::string s = " 12 \n  rest of it  ";
    EXPECT_EQ(TakeToken(s, '\n'), " 12 ");
    EXPECT_EQ(s, "rest of it");
    EXPECT_EQ(TakeToken(s, '\n'), "rest of it");
    EXPECT_EQ(s, "");
    EXPECT_EQ(TakeToken(s, '\n'), "");

    std::string tabs = "a\n\tb\t";
    TakeToken(tabs, '\n');
    EXPECT_EQ(tabs, "\tb\t");  // only spaces are trimmed
}

TEST(QueryTokens, TakeFieldReadsEscapesOnlyWhenABarFollows) {
    std::string s = R"(a\|b|c\\d|e)";
    EXPECT_EQ(TakeField(s), "a|b");
    EXPECT_EQ(TakeField(s), R"(c\d)");
    EXPECT_EQ(TakeField(s), "e");
    EXPECT_EQ(s, "");

    std::string noBar = R"(a\\b\c)";
    EXPECT_EQ(TakeField(noBar), R"(a\\b\c)");  // no "|" at all: taken as it stands

    std::string escapedLast = R"(x\||y\)";
    EXPECT_EQ(TakeField(escapedLast), "x|");
    EXPECT_EQ(TakeField(escapedLast), R"(y\)");  // no "|" left: unchanged

    std::string other = R"(a\nb|)";
    EXPECT_EQ(TakeField(other), "anb");  // a "\" before another character escapes just that one

    std::string empties = "||x|";
    EXPECT_EQ(TakeField(empties), "");
    EXPECT_EQ(TakeField(empties), "");
    EXPECT_EQ(TakeField(empties), "x");
}

TEST(QueryRows, ValuesInRowOrderWithMissingCellsEmpty) {
    const QueryTable table = ParseRows("2\n3\na|b|c|d|");
    ASSERT_EQ(table.rowCount(), 2);
    ASSERT_EQ(table.fieldCount(), 3);
    EXPECT_EQ(table.value(0, 2), "c");
    EXPECT_EQ(table.value(1, 0), "d");
    EXPECT_EQ(table.value(1, 1), "");
    EXPECT_EQ(table.value(1, 2), "");
    EXPECT_EQ(table.value(2, 0), "");  // outside the table
    EXPECT_EQ(table.joinedRow(0), "abc");
}

TEST(QueryRows, TheFirstValueLosesLeadingAndTheLastTrailingSpaces) {
    const QueryTable table = ParseRows("1\n2\n   first |  last   ");
    EXPECT_EQ(table.value(0, 0), "first ");
    EXPECT_EQ(table.value(0, 1), "  last");
    // With the final bar, the last value's spaces are inside and survive.
    EXPECT_EQ(ParseRows("1\n1\n 3.1 |").value(0, 0), "3.1 ");
}

TEST(QueryRows, CountsAreTheLeadingNumberOfTheirLines) {
    const QueryTable table = ParseRows("1\r\n2 fields\r\nx|y|");
    ASSERT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.fieldCount(), 2);
    EXPECT_EQ(table.value(0, 1), "y");
    EXPECT_EQ(ParseRows(" 1\n+1\nv").value(0, 0), "v");
}

TEST(QueryRows, CountsThatCannotBeShapedGiveTheEmptyResult) {
    for (const std::string reply : {"", "0\n1\nx", "-1\n1\nx", "abc\n1\nx", "1\n0\nx", "1\n-2\nx", "1\n\nx",
                                    "32768\n1\nx", "1\n32768\nx", "99999999999999999999\n1\nx", "1"}) {
        const QueryTable table = ParseRows(reply);
        EXPECT_TRUE(table.empty()) << reply;
        EXPECT_EQ(table.rowCount(), 0) << reply;
    }
}

TEST(QueryRows, TheLargestTableCostsOnlyWhatTheReplyCarries) {
    const QueryTable table = ParseRows("32767\n32767\nonly|");
    EXPECT_EQ(table.rowCount(), 32767);
    EXPECT_EQ(table.fieldCount(), 32767);
    EXPECT_EQ(table.value(0, 0), "only");
    EXPECT_EQ(table.value(32766, 32766), "");
}

TEST(QueryRows, TheServersFormatReadsBackExactly) {
    const std::vector<std::vector<std::string>> rows = {
        {"USA", "3.1", "Y"},
        {R"(back\slash)", "bar|inside", ""},
        {R"(\|)", "|", R"(\)"},
    };
    const std::string reply = FormatRows(3, rows);
    EXPECT_TRUE(reply.starts_with("3\n3\nUSA|3.1|Y|"));
    const QueryTable table = ParseRows(reply);
    ASSERT_EQ(table.rowCount(), 3);
    for (int r = 0; r < 3; ++r)
        for (int f = 0; f < 3; ++f)
            EXPECT_EQ(table.value(r, f), rows[r][f]) << r << "," << f;
    EXPECT_EQ(FormatRows(1, {}), "0\n1\n");
}

}  // namespace
