// libFuzzer target for the query channel's reading of server replies: the percent decoding, the
// decryption and ParseRows. Whatever the server sends, the table stays within its limits and costs
// no more than the reply's own size; what the encoder writes, the decoder gives back unchanged.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "core/online/modQuery.h"

namespace {

using namespace vantor::online;

constexpr int kMaxShapedSide = 6;

bool keptOrEscape(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '%';
}

void checkCoding(const std::string& text) {
    const std::string encoded = EncodeQueryText(text);
    FUZZ_REQUIRE(encoded.size() <= 3 * text.size());
    FUZZ_REQUIRE(std::all_of(encoded.begin(), encoded.end(), keptOrEscape));
    FUZZ_REQUIRE(DecodeReplyText(encoded) == text);
    FUZZ_REQUIRE(DecodeFromWire(EncodeForWire(text)) == text);
    // Decoding never lengthens: every byte, "+" or "%XX" gives at most one byte.
    FUZZ_REQUIRE(DecodeReplyText(text).size() <= text.size());
}

void checkTable(const QueryTable& table, std::size_t replySize) {
    FUZZ_REQUIRE(table.rowCount() >= 0 && table.rowCount() <= kMaxTableDimension);
    FUZZ_REQUIRE(table.fieldCount() >= 0 && table.fieldCount() <= kMaxTableDimension);
    FUZZ_REQUIRE(table.empty() == (table.rowCount() == 0));
    FUZZ_REQUIRE((table.rowCount() == 0) == (table.fieldCount() == 0));
    FUZZ_REQUIRE(table.value(-1, 0).empty() && table.value(0, -1).empty());
    FUZZ_REQUIRE(table.value(table.rowCount(), 0).empty() && table.value(0, table.fieldCount()).empty());
    // Every value that arrived took at least one byte of the reply, so looking one cell past the
    // reply's size covers all stored values.
    const long long cells = static_cast<long long>(table.rowCount()) * table.fieldCount();
    const long long looked = std::min<long long>(cells, static_cast<long long>(replySize) + 1);
    std::size_t total = 0;
    for (long long cell = 0; cell < looked; ++cell)
        total += table
                     .value(static_cast<int>(cell / table.fieldCount()),
                            static_cast<int>(cell % table.fieldCount()))
                     .size();
    FUZZ_REQUIRE(total <= replySize);
}

void checkReplies(const std::string& body) {
    checkTable(ParseRows(body), body.size());
    const QueryResult fetched = ReadFetchReply(body);
    FUZZ_REQUIRE(fetched.failure.empty());
    FUZZ_REQUIRE(fetched.message.empty() || fetched.rows.empty());
    FUZZ_REQUIRE(!body.empty() || fetched.message == kNoResponseMessage);
    checkTable(fetched.rows, body.size());
    const QueryResult executed = ReadExecuteReply(body);
    FUZZ_REQUIRE(executed.executed != !executed.message.empty());
}

// A table the server script could write, read back through the wire: the same values, except that
// the spaces before the first value go (the count lines' reading trims what follows them).
void checkTableRoundTrip(FuzzedDataProvider& input) {
    const int rowCount = input.ConsumeIntegralInRange(1, kMaxShapedSide);
    const int fieldCount = input.ConsumeIntegralInRange(1, kMaxShapedSide);
    std::vector<std::vector<std::string>> rows(static_cast<std::size_t>(rowCount));
    for (auto& row : rows)
        for (int field = 0; field < fieldCount; ++field)
            row.push_back(input.ConsumeRandomLengthString(40));

    const std::string reply = FormatRows(fieldCount, rows);
    const QueryResult result = ReadFetchReply(EncodeForWire(reply));
    FUZZ_REQUIRE(result.message.empty());
    FUZZ_REQUIRE(result.rows.rowCount() == rowCount && result.rows.fieldCount() == fieldCount);
    for (int r = 0; r < rowCount; ++r)
        for (int f = 0; f < fieldCount; ++f) {
            std::string_view sent = rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(f)];
            if (r == 0 && f == 0)
                sent.remove_prefix(std::min(sent.find_first_not_of(' '), sent.size()));
            FUZZ_REQUIRE(result.rows.value(r, f) == sent);
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkCoding(text);
    checkReplies(text);
    // The same text as the server script would send it reaches ParseRows unchanged.
    if (!text.starts_with(kErrorReplyMark) && !text.empty()) {
        const QueryTable direct = ParseRows(text);
        const QueryTable viaWire = ReadFetchReply(EncodeForWire(text)).rows;
        FUZZ_REQUIRE(direct.rowCount() == viaWire.rowCount() && direct.fieldCount() == viaWire.fieldCount());
    }
    FuzzedDataProvider input(data, size);
    checkTableRoundTrip(input);
    return 0;
}
