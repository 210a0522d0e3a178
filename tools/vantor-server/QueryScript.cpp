#include "QueryScript.h"

#include "QueryForm.h"
#include "core/online/modQuery.h"

namespace vantor::server {

namespace {

constexpr int kOk = 200;
constexpr int kBadRequest = 400;
constexpr int kPayloadTooLarge = 413;
constexpr std::size_t kNoteStatementChars = 160;

ScriptReply reply(int status, const std::string& text, std::string note) {
    return {status, online::EncodeForWire(text), std::move(note)};
}

ScriptReply refusal(int status, const std::string& message, const std::string& note) {
    return reply(status, online::FormatErrorReply(message), note + ": refused: " + message);
}

// Statements in the log stay on one line and short.
std::string forLog(const std::string& statement) {
    std::string line;
    for (char c : statement.substr(0, kNoteStatementChars))
        line += (static_cast<unsigned char>(c) < 0x20) ? ' ' : c;
    if (statement.size() > kNoteStatementChars)
        line += "...";
    return line;
}

}  // namespace

ScriptReply QueryScript::bodyTooLarge() {
    return refusal(kPayloadTooLarge,
                   "The request is larger than " + std::to_string(kMaxBodyBytes / 1024) + " KiB.",
                   "query script");
}

ScriptReply QueryScript::answer(std::string_view contentType, std::string_view body) const {
    const auto field = ReadQueryField(contentType, body);
    // A body the form reader cannot take apart is the client's fault, not a statement's: it is
    // answered as a bad request, still with the message the program can show.
    if (!field)
        return refusal(kBadRequest, "The request holds no \"rquery\" or \"query\" field.", "query script");
    const std::string statement = online::DecodeFromWire(field->value);
    if (field->name == online::kFetchField)
        return fetch(statement);
    return execute(statement);
}

ScriptReply QueryScript::fetch(const std::string& statement) const {
    const std::string note = "rquery " + forLog(statement);
    const StatementOutcome outcome = m_database.read(statement);
    if (!outcome.ok)
        return refusal(kOk, outcome.error, note);
    const std::size_t count = outcome.rows.size();
    return reply(kOk, online::FormatRows(outcome.fieldCount, outcome.rows),
                 note + ": " + std::to_string(count) + (count == 1 ? " row" : " rows"));
}

ScriptReply QueryScript::execute(const std::string& statement) const {
    const std::string note = "query " + forLog(statement);
    if (!m_allowWrites)
        return refusal(
            kOk, "Statements that change data are refused: the server was started without --allow-writes.",
            note);
    const StatementOutcome outcome = m_database.write(statement);
    if (!outcome.ok)
        return refusal(kOk, outcome.error, note);
    return reply(kOk, std::string(online::kExecutedReply), note + ": executed");
}

}  // namespace vantor::server
