// The one sentence every front end prints about a scale operation.

#include <gtest/gtest.h>

#include "core/scale/OperationResult.h"

using namespace vantor::scale;

namespace {

OperationResult failed(Stage stage, Outcome outcome, std::optional<std::uint32_t> page, std::size_t done,
                       std::size_t total) {
    OperationResult result = failedAt(stage, outcome);
    result.page = page;
    result.pagesDone = done;
    result.pagesTotal = total;
    return result;
}

}  // namespace

TEST(OperationResult, SuccessAndStopSayHowManyPages) {
    OperationResult done;
    done.pagesTotal = 36;
    EXPECT_EQ(describe(done), "All 36 pages were written and verified.");
    done.pagesTotal = 1;
    EXPECT_EQ(describe(done), "All 1 page was written and verified.");

    // A stop while a page was on its way: that page may already hold new bytes.
    EXPECT_EQ(describe(failed(Stage::Write, Outcome::Cancelled, 0x8100, 2, 6)),
              "Stopped after 2 of 6 pages; page 8100 was being written and may hold new bytes too.");
    EXPECT_EQ(describe(failed(Stage::None, Outcome::Cancelled, 0x8100, 2, 6)), "Stopped after 2 of 6 pages.");
}

TEST(OperationResult, FailuresNameTheStageHowItEndedThePageAndHowFarItCame) {
    EXPECT_EQ(describe(failed(Stage::Unlock, Outcome::Refused, 0x8000, 0, 6)),
              "The scale refused the unlock (is the serial number right?) for page 8000; 0 of 6 pages were "
              "written.");
    EXPECT_EQ(describe(failed(Stage::Unlock, Outcome::NoReply, std::nullopt, 0, 512)),
              "The scale did not answer the unlock; 0 of 512 pages were written.");
    EXPECT_EQ(describe(failed(Stage::Write, Outcome::NoReply, 0x8180, 3, 36)),
              "The scale did not answer the write for page 8180; 3 of 36 pages were written.");
    EXPECT_EQ(describe(failed(Stage::Write, Outcome::Refused, 0x8300, 1, 5)),
              "The scale refused the write for page 8300; 1 of 5 pages were written.");
    EXPECT_EQ(describe(failed(Stage::Write, Outcome::PortFailed, 0x0080, 1, 512)),
              "The port failed during the write for page 0080; 1 of 512 pages were written.");
    EXPECT_EQ(describe(failed(Stage::ReadBack, Outcome::Mismatch, 0xFF80, 512, 512)),
              "The scale read back other bytes than were written for page FF80; 512 of 512 pages were "
              "written.");
    EXPECT_EQ(describe(failed(Stage::ReadBack, Outcome::NoReply, 0x8380, 0, 0)),
              "The scale did not answer the read-back for page 8380.");
    EXPECT_EQ(describe(failed(Stage::Read, Outcome::NoReply, 0x8200, 4, 36)),
              "The scale did not answer the read of page 8200; 4 of 36 pages were read.");
    EXPECT_EQ(describe(failed(Stage::Read, Outcome::Mismatch, 0x0700, 0, 0)),
              "The scale's reply to the read of page 0700 did not fit.");
    EXPECT_EQ(readFailure(failed(Stage::Read, Outcome::Unsteady, 0x8000, 0, 36)),
              "the scale's replies to the read of page 8000 did not agree");
    EXPECT_EQ(describe(failed(Stage::SerialRead, Outcome::NoReply, std::nullopt, 0, 6)),
              "The scale did not give its serial number; nothing was written.");

    OperationResult restarted = failed(Stage::Write, Outcome::NoReply, 0x0380, 7, 512);
    restarted.restarts = 5;
    EXPECT_EQ(
        describe(restarted),
        "The scale did not answer the write for page 0380 (after 5 restarts of the run); 7 of 512 pages "
        "were written.");
}

TEST(OperationResult, SilentScaleAndRefusedUnlock) {
    EXPECT_TRUE(failedAt(Stage::Unlock, Outcome::NoReply).scaleSilent());
    EXPECT_TRUE(failedAt(Stage::Write, Outcome::PortFailed).scaleSilent());
    EXPECT_FALSE(failedAt(Stage::Write, Outcome::Refused).scaleSilent());
    EXPECT_FALSE(failedAt(Stage::ReadBack, Outcome::NoReply).scaleSilent());

    EXPECT_TRUE(failedAt(Stage::Unlock, Outcome::Refused).unlockRefused());
    EXPECT_FALSE(failedAt(Stage::Write, Outcome::Refused).unlockRefused());
}
