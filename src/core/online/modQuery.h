#pragma once

// The query channel's rules, free of any transport: how a statement is encrypted and written
// into the request body, how the reply is decoded, decrypted and read into rows, and the reply
// format the server script writes. The POST itself is QueryChannel's business.

#include <string>
#include <string_view>
#include <vector>

#include "core/online/QueryTable.h"

namespace vantor::online {

// Where the query script lives on the web server.
inline constexpr std::string_view kQueryScriptPath = "/vantorpc/samplecodes/sql-link.php";
// Requests and replies are encrypted with this key, each from a fresh keystream.
inline constexpr std::string_view kQueryKey = "MARLOWTIDEBRIGHTS";
inline constexpr std::string_view kQueryBoundary = "AaB03x";
// A comma, not a semicolon, before "boundary": the server script expects exactly this.
inline constexpr std::string_view kQueryContentType = "multipart/form-data, boundary=AaB03x";
// Statements that return rows travel in "rquery", statements that change data in "query".
inline constexpr std::string_view kFetchField = "rquery";
inline constexpr std::string_view kExecuteField = "query";

inline constexpr std::string_view kNoResponseMessage = "No response from server";
inline constexpr std::string_view kErrorReplyMark = "#ERR#";
inline constexpr std::string_view kExecutedReply = "Query Executed!";

// A table bigger than this in either direction cannot be shaped: the row and field counters of
// the channel are 16-bit.
inline constexpr int kMaxTableDimension = 32767;

// What one query came back with. At most one of message and failure is set.
struct QueryResult {
    QueryTable rows;        // FetchRows: the rows; empty when there is no answer
    bool executed = false;  // ExecuteQuery: the server answered "Query Executed!"
    std::string message;    // what the channel tells the user: "No response from server", the
                            // server's error text, or ExecuteQuery's unexpected reply
    std::string failure;    // the request itself failed (no connection, refused, time-out): why
};

// Encryption under kQueryKey from a fresh keystream, then EncodeQueryText: the statement as it
// travels, and the reply as the server script writes it.
std::string EncodeForWire(const std::string& text);
// The inverse: DecodeReplyText, then decryption under kQueryKey from a fresh keystream.
std::string DecodeFromWire(std::string_view wireText);

// The whole POST body for one statement in the given field ("rquery" or "query").
std::string BuildQueryBody(std::string_view fieldName, const std::string& statement);

// 0-9, A-Z and a-z stay as they are; every other byte becomes %XX in upper-case hexadecimal.
std::string EncodeQueryText(std::string_view text);
// "+" is a space; %XX takes up to two hexadecimal digits in either case (reading stops at the
// first other character, no digits give a 0 byte); a "%" with nothing after it is dropped.
std::string DecodeReplyText(std::string_view text);

// The text before the first delimiter; s keeps what follows it with leading and trailing spaces
// removed. Without a delimiter, all of s (which becomes empty).
std::string TakeToken(std::string& s, char delimiter);
// The next value ended by "|", with "\\" and "\|" read as "\" and "|" (a "\" before any other
// character drops the "\"). When s holds no "|" at all, all of it, unescaped.
std::string TakeField(std::string& s);

// The decrypted reply as rows: line 1 the row count, line 2 the field count, then the values.
// A count that cannot be shaped into a table (no rows, negative, over kMaxTableDimension, fewer
// than one field) gives the empty result.
QueryTable ParseRows(std::string reply);

// FetchRows' reading of a response body: "No response from server" for an empty body, the
// server's message for "#ERR#" + message, otherwise the rows.
QueryResult ReadFetchReply(std::string_view responseBody);
// ExecuteQuery's: executed on exactly "Query Executed!", otherwise that text as the message.
QueryResult ReadExecuteReply(std::string_view responseBody);

// The reply format, as the server script writes it: row and field counts, then every value
// ended by "|", with "\" and "|" inside values escaped.
std::string FormatRows(int fieldCount, const std::vector<std::vector<std::string>>& rows);
std::string FormatErrorReply(std::string_view message);

}  // namespace vantor::online
