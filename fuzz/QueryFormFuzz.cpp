// libFuzzer target for vantor-server's reading of a query request body. Any Content-Type and body
// give the statement field or nothing; a field found is one of the two the script knows and its
// value is text of the body itself; a body the program writes always gives back its statement.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "QueryForm.h"
#include "core/online/modQuery.h"

namespace {

using namespace vantor;

constexpr std::size_t kLongestContentType = 80;

void checkAnyBody(const std::string& contentType, const std::string& body) {
    const auto field = server::ReadQueryField(contentType, body);
    if (!field)
        return;
    FUZZ_REQUIRE(field->name == online::kFetchField || field->name == online::kExecuteField);
    FUZZ_REQUIRE(body.find(field->value) != std::string::npos);
}

void checkProgramBody(const std::string& statement, bool fetch) {
    const std::string_view name = fetch ? online::kFetchField : online::kExecuteField;
    const std::string body = online::BuildQueryBody(name, statement);
    const auto field = server::ReadQueryField(online::kQueryContentType, body);
    FUZZ_REQUIRE(field && field->name == name);
    FUZZ_REQUIRE(online::DecodeFromWire(field->value) == statement);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool fetch = input.ConsumeBool();
    std::string contentType;
    switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0:
            contentType = online::kQueryContentType;
            break;
        case 1:
            contentType = "application/x-www-form-urlencoded";
            break;
        case 2:
            contentType = "";
            break;
        default:
            contentType = input.ConsumeRandomLengthString(kLongestContentType);
            break;
    }
    const std::string body = input.ConsumeRemainingBytesAsString();
    checkAnyBody(contentType, body);
    checkProgramBody(body, fetch);
    return 0;
}
