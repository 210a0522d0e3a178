// libFuzzer target for the downloader's reading of a reply head: the status, Content-Length and
// Content-Range a server sends. A resumed download only ever saves bytes that start exactly where
// the partial file ends; a range is accepted only when it is a real span of a real file; every
// refusal has a message; and the session's counts never go below zero.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "FuzzCheck.h"
#include "core/online/DownloadSession.h"

namespace {

using namespace vantor::online;

constexpr std::size_t kLongestRange = 64;
constexpr std::int64_t kLargestFile = std::int64_t{1} << 40;
constexpr int kStatuses[] = {200, 206, 204, 401, 404, 416, 500, 301, 0, -1};

void checkRange(const std::string& text) {
    const auto range = ParseContentRange(text);
    if (!range)
        return;
    FUZZ_REQUIRE(range->first >= 0 && range->first <= range->last);
    FUZZ_REQUIRE(!range->length || range->last < *range->length);
    // Written out again, it reads the same.
    const std::string again = "bytes " + std::to_string(range->first) + "-" + std::to_string(range->last) +
                              "/" + (range->length ? std::to_string(*range->length) : "*");
    const auto reread = ParseContentRange(again);
    FUZZ_REQUIRE(reread && reread->first == range->first && reread->last == range->last &&
                 reread->length == range->length);
}

ReplyHead headFrom(FuzzedDataProvider& input) {
    ReplyHead head;
    if (input.ConsumeBool())
        head.status = input.ConsumeBool() ? input.PickValueInArray(kStatuses) : input.ConsumeIntegral<int>();
    head.statusLine = input.ConsumeRandomLengthString(kLongestRange);
    if (input.ConsumeBool())
        head.contentLength = input.ConsumeBool() ? input.ConsumeIntegralInRange<std::int64_t>(0, kLargestFile)
                                                 : input.ConsumeIntegral<std::int64_t>();
    if (input.ConsumeBool())
        head.contentRange = input.ConsumeRandomLengthString(kLongestRange);
    return head;
}

void checkDecision(const ReplyHead& head, bool resuming, std::int64_t from,
                   std::optional<std::int64_t> knownTotal) {
    const ReplyDecision decision =
        DecideReply(head, resuming, from, knownTotal, "http://example.invalid/u.hex");
    switch (decision.verdict) {
        case ReplyVerdict::Save: {
            FUZZ_REQUIRE(head.status == 200 || head.status == 206);
            if (resuming && from > 0) {
                // Only a partial reply that starts where the file ends may be appended.
                FUZZ_REQUIRE(head.status == 206 && head.contentRange);
                const auto range = ParseContentRange(*head.contentRange);
                FUZZ_REQUIRE(range && range->first == from);
            }
            if (decision.total && head.contentLength && *head.contentLength >= 0)
                FUZZ_REQUIRE(*decision.total >= 0);
            break;
        }
        case ReplyVerdict::OfferRestart:
            FUZZ_REQUIRE(resuming && !decision.message.text.empty());
            break;
        case ReplyVerdict::Refuse:
            FUZZ_REQUIRE(!decision.message.text.empty());
            break;
    }
}

// A whole download of attempts whose reply heads and byte counts come from the input.
void checkSession(FuzzedDataProvider& input) {
    DownloadSession session("http://example.invalid/u.hex");
    double now = 0;
    bool restarted = false;
    for (int attempt = 0; attempt < 4 && input.remaining_bytes() > 0; ++attempt) {
        const std::int64_t from = session.beginAttempt();
        FUZZ_REQUIRE(from >= 0 && from == session.writeOffset());
        // A restart the user agreed to asks for the whole file into an emptied one.
        FUZZ_REQUIRE(!restarted || from == 0);
        restarted = false;
        const ReplyHead head = headFrom(input);
        now += input.ConsumeIntegralInRange(0, 100);
        const ReplyDecision decision = session.acceptHead(head, now);
        if (decision.verdict == ReplyVerdict::OfferRestart) {
            if (!input.ConsumeBool()) {
                session.cancel();
                break;
            }
            // The reply that could not be used is dropped; the next attempt starts from byte 0.
            session.restartFromZero();
            restarted = true;
            continue;
        }
        if (decision.verdict == ReplyVerdict::Refuse) {
            FUZZ_REQUIRE(session.endAttempt(true) == DownloadSession::Ending::Abandon);
            break;
        }
        FUZZ_REQUIRE(session.writeOffset() >= 0);
        // The body arrives in pieces; the shell stops at the total it was told.
        for (int piece = 0; piece < 8 && input.ConsumeBool(); ++piece) {
            std::int64_t count = input.ConsumeIntegralInRange<std::int64_t>(1, 1 << 20);
            if (const auto needed = session.bytesStillNeeded())
                count = std::min(count, std::max<std::int64_t>(*needed, 0));
            now += input.ConsumeIntegralInRange(0, 10);
            session.addBytes(count, now);
            const DownloadProgress progress = session.progress();
            FUZZ_REQUIRE(progress.received == session.received());
            FUZZ_REQUIRE(std::isfinite(progress.bytesPerSecond) && std::isfinite(progress.secondsLeft));
        }
        if (input.ConsumeBool())
            session.bodyEnded();
        const auto ending = session.endAttempt(input.ConsumeBool());
        if (ending == DownloadSession::Ending::Completed) {
            FUZZ_REQUIRE(session.complete() && session.succeeded());
            break;
        }
        // A broken transfer and a body that never said its length are both offered a resume.
        if (ending != DownloadSession::Ending::AskRetry && ending != DownloadSession::Ending::NoLength)
            break;
        session.retry();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    checkRange(input.ConsumeRandomLengthString(kLongestRange));

    const ReplyHead head = headFrom(input);
    const bool resuming = input.ConsumeBool();
    const std::int64_t from = input.ConsumeIntegralInRange<std::int64_t>(0, kLargestFile);
    std::optional<std::int64_t> knownTotal;
    if (input.ConsumeBool())
        knownTotal = input.ConsumeIntegralInRange<std::int64_t>(0, kLargestFile);
    checkDecision(head, resuming, from, knownTotal);

    checkSession(input);
    return 0;
}
