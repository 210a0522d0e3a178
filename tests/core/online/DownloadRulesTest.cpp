// The downloader's rules without any network: the helpers' texts, the reply decisions with their
// exact messages, and the attempt loop's counts and endings.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/online/DownloadRules.h"
#include "core/online/DownloadSession.h"
#include "core/online/modGlobals.h"

using namespace vantor::online;

namespace {

TEST(FormatByteSize, BandsAndMasks) {
    EXPECT_EQ(FormatByteSize(0), "0 bytes");
    EXPECT_EQ(FormatByteSize(1023), "1023 bytes");
    EXPECT_EQ(FormatByteSize(1024), "1 KB");
    EXPECT_EQ(FormatByteSize(1048575), "1024 KB");
    EXPECT_EQ(FormatByteSize(1048576), "1.0 MB");
    EXPECT_EQ(FormatByteSize(1073741824), "1.0 GB");
    EXPECT_EQ(FormatByteSize(512, kMaskRate), "512 bytes") << "the mask does not apply to bytes";
    EXPECT_EQ(FormatByteSize(1536, kMaskRate), "1.5 KB");
    EXPECT_EQ(FormatByteSize(1536), "2 KB") << "half goes up";
    EXPECT_EQ(FormatByteSize(1572864, {}, ","), "1,5 MB") << "the system's decimal separator";
}

TEST(FormatByteSize, ValuesBetweenBandsAreNeverEmpty) {
    EXPECT_EQ(FormatByteSize(1023.4), "1023 bytes");
    EXPECT_EQ(FormatByteSize(1023.6), "1 KB");
    EXPECT_EQ(FormatByteSize(1048575.7), "1.0 MB");
    EXPECT_EQ(FormatByteSize(1073741823.9), "1.0 GB");
    EXPECT_EQ(FormatByteSize(-5), "0 bytes");
    EXPECT_EQ(FormatByteSize(std::nan("")), "0 bytes");
}

TEST(FormatSeconds, BandsAndRoundingBetweenThem) {
    EXPECT_EQ(FormatSeconds(0), "0 sec");
    EXPECT_EQ(FormatSeconds(59), "59 sec");
    EXPECT_EQ(FormatSeconds(60), "1 min 0 sec");
    EXPECT_EQ(FormatSeconds(3599), "59 min 59 sec");
    EXPECT_EQ(FormatSeconds(3600), "1 hr 0 min");
    EXPECT_EQ(FormatSeconds(12.5), "13 sec");
    EXPECT_EQ(FormatSeconds(59.7), "1 min 0 sec");
    EXPECT_EQ(FormatSeconds(119.6), "2 min 0 sec") << "not 1 min 0 sec";
    EXPECT_EQ(FormatSeconds(7199), "2 hr 0 min") << "not 1 hr 0 min";
    EXPECT_EQ(FormatSeconds(-3), "0 sec");
    EXPECT_EQ(FormatSeconds(HUGE_VAL), "277777 hr 47 min");
}

TEST(FitTextToLabel, ShortensInTheMiddleButNeverBelowElevenCharacters) {
    const auto fitsIn = [](std::size_t width) {
        return [width](const std::u32string& t) { return t.size() <= width; };
    };
    EXPECT_EQ(FitTextToLabel(U"short", fitsIn(5)), U"short");
    EXPECT_EQ(FitTextToLabel(U"abcdefghijklmnopqrstuvwxyz", fitsIn(15)), U"abcdef...uvwxyz");
    EXPECT_EQ(FitTextToLabel(U"abcdefghijklmnopqrstuvwxyz", fitsIn(1)), U"abcd...wxyz");
    EXPECT_EQ(FitTextToLabel(U"abcdefghij", fitsIn(1)), U"abcdefghij") << "too short to shorten";
    EXPECT_EQ(FitTextToLabel(U"", fitsIn(0)), U"");
}

TEST(PathHelpers, SplitTrailingBackslashAndFreeSpaceRoot) {
    EXPECT_EQ(SplitPathPart("http://host/a/b.hex", true, true), "b.hex");
    EXPECT_EQ(SplitPathPart("C:\\Program\\x.hex", false, false), "C:\\Program\\");
    EXPECT_EQ(SplitPathPart("C:\\Program\\x.hex", true, false), "x.hex");
    EXPECT_EQ(SplitPathPart("noseparator", true, false), "noseparator");
    EXPECT_EQ(WithTrailingBackslash("C:"), "C:\\");
    EXPECT_EQ(WithTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(FreeSpaceRoot("C:\\Data\\x.hex"), "C:\\");
    EXPECT_EQ(FreeSpaceRoot("/home/u/x.hex"), "/home/u");
    EXPECT_EQ(FreeSpaceRoot("/x.hex"), "/");
    EXPECT_EQ(FreeSpaceRoot("relative/x.hex"), std::nullopt);
    EXPECT_EQ(DiskFreeBytes("/", [](const std::string&) { return std::optional<std::int64_t>(42); }), 42.0);
    EXPECT_TRUE(std::isinf(DiskFreeBytes("/", [](const std::string&) {
        return std::optional<std::int64_t>();
    }))) << "an unknown disk is no reason to refuse";
}

TEST(RangeAndContentRange, TextsAndParsing) {
    EXPECT_EQ(RangeHeaderValue(0), "bytes=0-");
    EXPECT_EQ(ResumeOffset(10000), 5904);
    EXPECT_EQ(ResumeOffset(3000), 0);
    EXPECT_EQ(ResumeOffset(4096), 0);

    const auto range = ParseContentRange("bytes 5904-9999/10000");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 5904);
    EXPECT_EQ(range->last, 9999);
    EXPECT_EQ(range->length, 10000);
    EXPECT_EQ(ParseContentRange("bytes 0-9/*")->length, std::nullopt);
    for (const char* bad : {"", "bytes", "items 0-9/10", "bytes 9-0/10", "bytes 0-10/10", "bytes -1-9/10",
                            "bytes 0-9/ten", "bytes 0-9", "bytes */10"})
        EXPECT_FALSE(ParseContentRange(bad)) << bad;
}

ReplyHead head(int status, std::optional<std::int64_t> length = {}, std::optional<std::string> range = {},
               std::string line = {}) {
    return {status, line.empty() ? "HTTP/1.1 " + std::to_string(status) + " X" : line, length, range, {}, {}};
}

// The same with an ETag, the validator that lets a resume keep the bytes on disk.
ReplyHead tagged(ReplyHead reply) {
    reply.etag = "\"v1\"";
    return reply;
}

TEST(DecideReply, EveryStatusWithItsExactMessage) {
    const std::string url = "http://h/VantorUSA_APROM.hex";
    EXPECT_EQ(DecideReply(head(200, 10), false, 0, {}, url).verdict, ReplyVerdict::Save);
    EXPECT_EQ(DecideReply(head(200, 10), false, 0, {}, url).total, 10);
    const ReplyDecision whole206 = DecideReply(head(206, 10, "bytes 0-9/10"), false, 0, {}, url);
    EXPECT_EQ(whole206.verdict, ReplyVerdict::Save) << "a 206 with the full length is a 200";
    EXPECT_EQ(whole206.total, 10);

    const ReplyDecision restart = DecideReply(head(200, 10), true, 5904, 10000, url);
    EXPECT_EQ(restart.verdict, ReplyVerdict::OfferRestart);
    EXPECT_EQ(restart.message.title, "Unable to Resume Download");
    EXPECT_EQ(restart.message.text,
              "The server is unable to resume this download.\n\nDo you want to continue anyway?");
    EXPECT_EQ(restart.message.buttons, vantor::Message::Buttons::YesNo);
    EXPECT_EQ(restart.message.icon, vantor::Message::Icon::Exclamation);

    const auto refusal = [&](const ReplyHead& h) { return DecideReply(h, false, 0, {}, url); };
    EXPECT_EQ(refusal(head(204)).message.text, "Nothing to download!");
    EXPECT_EQ(refusal(head(204)).message.title, "No Content");
    EXPECT_EQ(refusal(head(204)).message.icon, vantor::Message::Icon::Information);
    EXPECT_EQ(refusal(head(401)).message.text, "Authorization failed!");
    EXPECT_EQ(refusal(head(401)).message.title, "Unauthorized");
    EXPECT_EQ(refusal(head(404)).message.text, "The file, \"http://h/VantorUSA_APROM.hex\" was not found!");
    EXPECT_EQ(refusal(head(404)).message.title, "File Not Found");
    EXPECT_EQ(refusal(head(404)).message.icon, vantor::Message::Icon::Critical);
    const ReplyDecision none = refusal(ReplyHead{});
    EXPECT_EQ(none.message.title, "Cannot Establish Connection");
    EXPECT_EQ(none.message.text,
              "Cannot establish connection.\n\nCheck your Internet connection and try again.");
    const ReplyDecision other = refusal(head(500, {}, {}, "HTTP/1.1 500 Internal Server Error"));
    EXPECT_EQ(other.verdict, ReplyVerdict::Refuse);
    EXPECT_EQ(other.message.title, "Error Downloading File");
    EXPECT_EQ(other.message.text,
              "The server returned the following response:\n\nHTTP/1.1 500 Internal Server Error");
}

TEST(DecideReply, AResumedReplyMustStartWhereItWasAsked) {
    const std::string url = "http://h/f";
    EXPECT_EQ(DecideReply(head(206, 4096, "bytes 5904-9999/10000"), true, 5904, 10000, url).verdict,
              ReplyVerdict::Save);
    EXPECT_EQ(DecideReply(head(206, 4000, "bytes 6000-9999/10000"), true, 5904, 10000, url).verdict,
              ReplyVerdict::OfferRestart)
        << "misplaced bytes would corrupt the partial file";
    EXPECT_EQ(DecideReply(head(206, 4096, "bytes 5904-9999/20000"), true, 5904, 10000, url).verdict,
              ReplyVerdict::OfferRestart)
        << "the file changed on the server";
    EXPECT_EQ(DecideReply(head(206, 4096), true, 5904, 10000, url).verdict, ReplyVerdict::OfferRestart)
        << "a range without Content-Range cannot be placed";
    EXPECT_EQ(DecideReply(head(200, 10000), true, 0, 10000, url).verdict, ReplyVerdict::Save)
        << "asked from byte 0, the whole file is what a resume wanted";
    EXPECT_EQ(DecideReply(head(206, 5, "bytes 5-9/10"), false, 0, {}, url).verdict, ReplyVerdict::Refuse);
    const ReplyDecision unplaced =
        DecideReply(head(206, 10, {}, "HTTP/1.1 206 Partial Content"), false, 0, {}, url);
    EXPECT_EQ(unplaced.verdict, ReplyVerdict::Refuse)
        << "a part of unknown place is not the file from byte 0";
    EXPECT_EQ(unplaced.message.text,
              "The server returned the following response:\n\nHTTP/1.1 206 Partial Content");
}

TEST(DecideReply, LengthsNearThe64BitLimitAreRefusedNotOverflowed) {
    const std::string url = "http://h/f";
    constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();
    // A resumed reply whose Content-Length cannot be the rest of the file.
    EXPECT_EQ(DecideReply(head(206, kLargest - 100, "bytes 5904-9999/10000"), true, 5904, 10000, url).verdict,
              ReplyVerdict::OfferRestart);
    // A span ending at the last 64-bit offset: its length (last + 1) does not exist.
    EXPECT_FALSE(ParseContentRange("bytes 0-9223372036854775807/*"));
    const ReplyDecision unplaced =
        DecideReply(head(206, {}, "bytes 0-9223372036854775807/*"), false, 0, {}, url);
    EXPECT_FALSE(unplaced.total && *unplaced.total < 0) << "no wrapped-around total";
    EXPECT_EQ(ParseContentRange("bytes 0-9223372036854775806/*")->last, kLargest - 1);
}

TEST(DownloadSession, AWholeFileCompletesWithRateAndTimeLeft) {
    DownloadSession session("http://h/f");
    EXPECT_EQ(session.beginAttempt(), 0);
    ASSERT_EQ(session.acceptHead(head(200, 1000), 10.0).verdict, ReplyVerdict::Save);
    session.addBytes(500, 11.0);  // two seconds counted: the clock starts a second early
    EXPECT_DOUBLE_EQ(session.progress().bytesPerSecond, 250.0);
    EXPECT_DOUBLE_EQ(session.progress().secondsLeft, 2.0);
    session.addBytes(500, 12.0);
    session.bodyEnded();
    EXPECT_EQ(session.endAttempt(true), DownloadSession::Ending::Completed);
    EXPECT_TRUE(session.succeeded());
    EXPECT_FALSE(session.cancelSearch());
}

// A first attempt answered with `first` that broke off after `received` bytes, and the user's Retry.
void breakAfter(DownloadSession& session, const ReplyHead& first, std::int64_t received) {
    session.beginAttempt();
    session.acceptHead(first, 0);
    session.addBytes(received, 1);
    ASSERT_EQ(session.endAttempt(true), DownloadSession::Ending::AskRetry);
    session.retry();
}

TEST(DownloadSession, ABrokenTransferResumesBackedOffAndKeepsItsTotal) {
    DownloadSession session("http://h/f");
    breakAfter(session, tagged(head(200, 20000)), 10000);
    EXPECT_EQ(session.beginAttempt(), 5904);
    EXPECT_EQ(session.writeOffset(), 5904);
    EXPECT_EQ(session.refetchedBytes(), 4096) << "compared with the disk before they are written over";
    ASSERT_EQ(session.acceptHead(head(206, 14096, "bytes 5904-19999/20000"), 2).verdict, ReplyVerdict::Save);
    EXPECT_EQ(session.total(), 20000);
    session.addBytes(14096, 3);
    EXPECT_EQ(session.endAttempt(true), DownloadSession::Ending::Completed);
    EXPECT_TRUE(session.succeeded());
}

TEST(DownloadSession, AResumeThatGetsNoAnswerIsRetriedFromTheSameBytesOnDisk) {
    DownloadSession session("http://h/f");
    breakAfter(session, tagged(head(200, 20000)), 10000);
    EXPECT_EQ(session.beginAttempt(), 5904);
    EXPECT_EQ(session.acceptHead(ReplyHead{}, 2).verdict, ReplyVerdict::BrokenOff) << "a refused connection";
    ASSERT_EQ(session.endAttempt(true), DownloadSession::Ending::AskRetry);
    session.retry();
    EXPECT_EQ(session.beginAttempt(), 5904) << "backed off from the 10000 bytes on disk, not again";
    EXPECT_EQ(session.refetchedBytes(), 4096);
    EXPECT_EQ(DownloadSession("http://h/f").acceptHead(ReplyHead{}, 0).verdict, ReplyVerdict::Refuse)
        << "a first attempt without an answer is refused";
}

TEST(DownloadSession, AResumeSendsTheFirstReplysValidatorAndARestartBeginsAFreshFileAtByteZero) {
    ReplyHead first = head(200, 20000);
    first.etag = "\"v1\"";
    first.lastModified = "Tue, 01 Dec 2026 10:00:00 GMT";
    EXPECT_EQ(ResumeValidator(first), "\"v1\"");
    first.etag = "W/\"v1\"";
    EXPECT_EQ(ResumeValidator(first), "Tue, 01 Dec 2026 10:00:00 GMT")
        << "a weak ETag never matches in If-Range";
    EXPECT_EQ(ResumeValidator(head(200, 20000)), std::nullopt);
    first.etag = "\"v1\"";

    DownloadSession session("http://h/f");
    EXPECT_EQ(session.ifRange(), std::nullopt) << "a first attempt has nothing to match";
    breakAfter(session, first, 10000);
    EXPECT_EQ(session.beginAttempt(), 5904);
    EXPECT_EQ(session.ifRange(), "\"v1\"");
    ASSERT_EQ(session.acceptHead(head(206, 14096, "bytes 6000-19999/20000"), 2).verdict,
              ReplyVerdict::OfferRestart);

    session.restartFromZero();
    EXPECT_FALSE(session.resuming());
    EXPECT_EQ(session.beginAttempt(), 0);
    EXPECT_EQ(session.ifRange(), std::nullopt);
    EXPECT_EQ(session.progress().received, 0);
    ASSERT_EQ(session.acceptHead(head(206, 30000, "bytes 0-29999/30000"), 3).verdict, ReplyVerdict::Save);
    EXPECT_EQ(session.writeOffset(), 0);
    EXPECT_EQ(session.total(), 30000) << "the length of the file the server holds now";
    session.addBytes(30000, 4);
    EXPECT_EQ(session.endAttempt(true), DownloadSession::Ending::Completed);
    EXPECT_TRUE(session.succeeded());
}

TEST(DownloadSession, AResumeBackedOffToByteZeroTakesTheNewReplysLength) {
    DownloadSession session("http://h/f");
    breakAfter(session, head(200, 20000), 3000);
    EXPECT_EQ(session.beginAttempt(), 0);
    ASSERT_EQ(session.acceptHead(head(200, 15000), 2).verdict, ReplyVerdict::Save);
    EXPECT_EQ(session.total(), 15000) << "the file changed: 15000 bytes are all of it";
    session.addBytes(15000, 3);
    EXPECT_EQ(session.endAttempt(true), DownloadSession::Ending::Completed);
}

TEST(DownloadSession, EndingsThatAbandonTheFile) {
    {
        DownloadSession cancelledBeforeReply("u");
        cancelledBeforeReply.beginAttempt();
        cancelledBeforeReply.cancel();
        EXPECT_EQ(cancelledBeforeReply.endAttempt(false), DownloadSession::Ending::Abandon);
        EXPECT_TRUE(cancelledBeforeReply.succeeded()) << "nothing announced, nothing missing";
        EXPECT_TRUE(cancelledBeforeReply.cancelSearch()) << "which the caller reads as cancelled";
    }
    {
        DownloadSession partialGone("u");
        partialGone.beginAttempt();
        partialGone.acceptHead(head(200, 100), 0);
        partialGone.addBytes(10, 1);
        EXPECT_EQ(partialGone.endAttempt(false), DownloadSession::Ending::Abandon);
        EXPECT_TRUE(partialGone.cancelSearch());
        EXPECT_FALSE(partialGone.succeeded());
    }
    {
        DownloadSession refused("u");
        refused.beginAttempt();
        EXPECT_EQ(refused.acceptHead(head(404), 0).verdict, ReplyVerdict::Refuse);
        EXPECT_EQ(refused.endAttempt(false), DownloadSession::Ending::Abandon);
        EXPECT_FALSE(refused.succeeded()) << "a refusal is never reported as success";
        EXPECT_TRUE(refused.cancelSearch());
    }
    {
        DownloadSession empty("u");
        empty.beginAttempt();
        empty.acceptHead(head(200, 0), 0);
        empty.bodyEnded();
        EXPECT_EQ(empty.endAttempt(true), DownloadSession::Ending::EmptyFile);
        EXPECT_FALSE(empty.succeeded());
    }
}

TEST(DownloadSession, AReplyWithoutLengthLearnsItsTotalAtItsNormalEnd) {
    ReplyHead chunkedHead = head(200);
    chunkedHead.chunked = true;
    DownloadSession chunked("u");
    chunked.beginAttempt();
    chunked.acceptHead(chunkedHead, 0);
    EXPECT_EQ(chunked.bytesStillNeeded(), std::nullopt);
    chunked.addBytes(700, 1);
    EXPECT_EQ(chunked.progress().total, std::nullopt);
    EXPECT_EQ(chunked.endAttempt(true), DownloadSession::Ending::AskRetry) << "broken off: not known whole";
    chunked.retry();
    EXPECT_EQ(chunked.beginAttempt(), 0);
    chunked.acceptHead(chunkedHead, 2);
    chunked.addBytes(900, 3);
    chunked.bodyEnded();
    EXPECT_EQ(chunked.endAttempt(true), DownloadSession::Ending::Completed);
    EXPECT_EQ(chunked.total(), 900);

    // Neither length nor chunks: the end of the connection may as well be a reset, and the user is
    // told that the length is what is missing.
    DownloadSession unframed("u");
    unframed.beginAttempt();
    unframed.acceptHead(tagged(head(200)), 0);
    unframed.addBytes(9000, 1);
    unframed.bodyEnded();
    EXPECT_EQ(unframed.endAttempt(true), DownloadSession::Ending::NoLength);
    unframed.retry();
    EXPECT_EQ(unframed.beginAttempt(), 4904);
    ASSERT_EQ(unframed.acceptHead(head(206, 4096, "bytes 4904-8999/9000"), 2).verdict, ReplyVerdict::Save);
    unframed.addBytes(4096, 3);
    EXPECT_EQ(unframed.endAttempt(true), DownloadSession::Ending::Completed) << "the resume told the length";
}

TEST(DownloadSession, WithoutAValidatorAResumeStartsAgainFromByteZero) {
    // Two versions of the file that agree where the attempts would meet: only a validator tells
    // them apart, and without one the rest of the second would follow the start of the first.
    DownloadSession session("http://h/f");
    breakAfter(session, head(200, 20000), 10000);
    EXPECT_EQ(session.beginAttempt(), 0);
    EXPECT_EQ(session.ifRange(), std::nullopt);
    ASSERT_EQ(session.acceptHead(head(200, 30000), 2).verdict, ReplyVerdict::Save)
        << "the whole file, whatever it is now";
    EXPECT_EQ(session.total(), 30000);
    EXPECT_EQ(session.writeOffset(), 0);
}

TEST(DownloadSession, ATrickleIsGivenUpOnceItHasRunLongEnoughAtLessThanTheMinimumRate) {
    DownloadSession trickle("http://h/f");
    trickle.beginAttempt(100);
    trickle.acceptHead(head(200, 1000), 100);
    trickle.addBytes(59, 159);
    EXPECT_FALSE(trickle.tooSlow(159)) << "judged only after the grace period";
    trickle.addBytes(1, 160);
    EXPECT_TRUE(trickle.tooSlow(160)) << "60 bytes in 60 s";
    EXPECT_EQ(
        TooSlowMessage(trickle.attemptBytes(), trickle.attemptSeconds(160)).text,
        "The server sent only 60 bytes in 60 seconds, too slowly to finish the download: it was stopped. "
        "Try again later.");

    DownloadSession modem("http://h/f");
    modem.beginAttempt(0);
    modem.acceptHead(head(200, 2000000), 0);
    modem.addBytes(300000, 60);
    EXPECT_FALSE(modem.tooSlow(60)) << "5,000 bytes a second is slow but honest";
}

TEST(DownloadSession, AnUpdateFilesLinkThatGivesAWebPageIsRefusedAsSuch) {
    DownloadSession session("http://h/download-page");
    session.refuseWebPages();
    session.beginAttempt();
    ReplyHead page = head(200, 500);
    page.contentType = "Text/HTML; charset=utf-8";
    const ReplyDecision decision = session.acceptHead(page, 0);
    EXPECT_EQ(decision.verdict, ReplyVerdict::Refuse);
    EXPECT_EQ(
        decision.message.text,
        "The link http://h/download-page leads to a web page, not to an update file. On that page, copy the "
        "link of the update file itself (it ends in .hex) and try again.");
    DownloadSession any("http://h/manual.html");
    any.beginAttempt();
    EXPECT_EQ(any.acceptHead(page, 0).verdict, ReplyVerdict::Save) << "download takes any file";
}

TEST(DownloadSession, AFileBeyondTheSizeLimitIsRefusedByItsHeadOrByItsBytes) {
    DownloadSession announced("u", 20000);
    announced.beginAttempt();
    const ReplyDecision refused = announced.acceptHead(head(200, 20001), 0);
    EXPECT_EQ(refused.verdict, ReplyVerdict::Refuse);
    EXPECT_EQ(refused.message.title, "Error Downloading File");
    EXPECT_EQ(
        refused.message.text,
        "The file is larger than 20000 bytes, far too large for an update file: it was not downloaded.");
    EXPECT_EQ(announced.endAttempt(true), DownloadSession::Ending::Abandon);

    DownloadSession endless("u", 20000);
    endless.beginAttempt();
    ASSERT_EQ(endless.acceptHead(head(200), 0).verdict, ReplyVerdict::Save);
    endless.addBytes(20000, 1);
    EXPECT_FALSE(endless.overSizeLimit());
    endless.addBytes(1, 1);
    EXPECT_TRUE(endless.overSizeLimit());
    EXPECT_EQ(DownloadSession("u", 20000).acceptHead(head(200, 20000), 0).verdict, ReplyVerdict::Save);
}

TEST(DownloadMessages, QuestionsAndFailures) {
    EXPECT_EQ(
        ConnectionResetQuestion(75).text,
        "The connection with the server was reset.\n\nClick \"Retry\" to resume downloading the file.\n"
        "(Approximate time remaining: 1 min 15 sec)\n\nClick \"Cancel\" to cancel downloading the file.");
    EXPECT_EQ(ConnectionResetQuestion(0).title, "Download Incomplete");
    EXPECT_EQ(ConnectionResetQuestion(0).buttons, vantor::Message::Buttons::RetryCancel);
    EXPECT_EQ(NotEnoughSpaceMessage().text,
              "There is not enough free space on disk for this file.\n\nPlease free up some disk space and "
              "try again.");
    EXPECT_EQ(NotEnoughSpaceMessage().title, "Insufficient Disk Space");
    EXPECT_EQ(WriteErrorMessage(5, "Disk full").text, "Cannot write file to disk.\n\nError 5: Disk full");
    EXPECT_EQ(EmptyFileMessage().text, "The server sent an empty file: there is nothing to save.");
    EXPECT_EQ(EmptyFileMessage().title, "Error Downloading File");
    EXPECT_EQ(CancelQuestion().text, "Are you sure you want to cancel this operation?");
    EXPECT_EQ(CancelQuestion().title, "");
    EXPECT_EQ(RetriesLeft(0), "no retries left");
    EXPECT_EQ(RetriesLeft(1), "1 retry left");
    EXPECT_EQ(RetriesLeft(2), "2 retries left");
}

}  // namespace
