// The words of an update of several scales at once.

#include <gtest/gtest.h>

#include "core/firmware/FleetReport.h"

using namespace vantor::firmware;

TEST(FleetReport, ProgressLinesNameThePortTheSerialThePhaseAndThePages) {
    FleetScale scale;
    scale.port = "/dev/ttyUSB0";
    EXPECT_EQ(progressLine(scale), "/dev/ttyUSB0  -  connecting");
    scale.serial = "12345678";
    scale.phase = FleetPhase::Writing;
    scale.progress = {vantor::scale::Phase::Write, 120, 512};
    EXPECT_EQ(progressLine(scale), "/dev/ttyUSB0  12345678  writing  120/512");
    scale.phase = FleetPhase::Verifying;
    scale.progress = {vantor::scale::Phase::Verify, 200, 512};
    scale.timeLeft = "1 min 2 sec";
    EXPECT_EQ(progressLine(scale), "/dev/ttyUSB0  12345678  verifying  200/512  1 min 2 sec left");
}

TEST(FleetReport, EndLinesSayHowEachScaleEnded) {
    FleetScale scale;
    scale.port = "/dev/ttyUSB1";
    scale.serial = "11111111";
    scale.seconds = 71.24;
    scale.result = vantor::scale::OperationResult{};
    scale.result->pagesTotal = 512;
    EXPECT_EQ(endLine(scale),
              "/dev/ttyUSB1 11111111 updated: All 512 pages were written and verified. (71.2 s)");
    scale.tablesIncomplete = true;
    EXPECT_EQ(endLine(scale),
              "/dev/ttyUSB1 11111111 updated, but its zone table and keys were not all written back: All 512 "
              "pages were written and verified. (71.2 s)");
    EXPECT_FALSE(updatedWhole(scale));
    scale.tablesIncomplete = false;

    scale.result->outcome = vantor::scale::Outcome::Refused;
    scale.result->stage = vantor::scale::Stage::Unlock;
    scale.seconds = 0.55;
    EXPECT_EQ(
        endLine(scale),
        "/dev/ttyUSB1 11111111 not updated: The scale refused the unlock (is the serial number right?); "
        "0 of 512 pages were written. The scale keeps its old software. (0.6 s)");

    EXPECT_EQ(
        failureLine(scale),
        "/dev/ttyUSB1 11111111 failed: The scale refused the unlock (is the serial number right?); 0 of 512 "
        "pages were written. The scale keeps its old software.");

    // Died mid-write: the restart's unlock is what failed last, but the run died writing.
    scale.result->outcome = vantor::scale::Outcome::NoReply;
    scale.result->restarts = 1;
    scale.result->pagesDone = 300;
    scale.progress = {vantor::scale::Phase::Write, 300, 512};
    EXPECT_EQ(failureLine(scale),
              "/dev/ttyUSB1 11111111 failed while writing, at page 300 of 512: The scale did not answer the "
              "unlock (after 1 restart of the run); 300 of 512 pages were written. The scale's software is "
              "incomplete: update it again. Finish it with: vantor-cli resume --port /dev/ttyUSB1");
    EXPECT_TRUE(endLine(scale).ends_with("Finish it with: vantor-cli resume --port /dev/ttyUSB1. (0.6 s)"))
        << endLine(scale);

    scale.result->outcome = vantor::scale::Outcome::Cancelled;
    scale.progress = {vantor::scale::Phase::Verify, 128, 512};
    EXPECT_EQ(failureLine(scale), "");
    EXPECT_EQ(endLine(scale),
              "/dev/ttyUSB1 11111111 not updated: stopped while verifying (128 of 512 pages); the "
              "scale must be updated again. (0.6 s)");

    FleetScale absent;
    absent.port = "/dev/ttyUSB2";
    absent.refusal = "the port cannot be opened: No such file or directory";
    EXPECT_EQ(endLine(absent),
              "/dev/ttyUSB2 - not updated: the port cannot be opened: No such file or directory (0.0 s)");
    EXPECT_FALSE(verified(absent));
}
