// What follows a key check, with the words the user reads and the order of the questions.

#include <gtest/gtest.h>

#include "RecordingPrompts.h"
#include "core/keys/KeyFlow.h"

using namespace vantor::keys;
using namespace vantor::scale;
using Said = std::vector<std::string>;

namespace {

const std::string kOverwrite =
    "Overwrite Programmed Data? Key 4 was already programmed before. Do you want to overwrite its data?";
const std::string kConfirm =
    "Confirm Key Programming? You are going to program weight and rates for blank key number 4.\r\nAre you "
    "sure you want to continue?";

KeyCheck checked(bool programmed) {
    return {{"12345678", true}, {programmed, {}}};
}

}  // namespace

TEST(AfterKeyCheck, NoSerialNumberTellsTheUserToCheckTheConnection) {
    test::RecordingPrompts user;
    user.answers = {true, true};
    EXPECT_EQ(afterKeyCheck(KeyCheck{}, 4, user.prompts), AfterCheck::Stop);
    EXPECT_EQ(user.said,
              Said{"Check Scale Connection: Check that your scale is connected to your computer and it "
                   "is turned on."});
}

TEST(AfterKeyCheck, ScaleSilentOnTheCheckAsksNothing) {
    test::RecordingPrompts user;
    user.answers = {true, true};
    KeyCheck check = checked(false);
    check.check.exchange = failedAt(Stage::Unlock, Outcome::NoReply);
    EXPECT_EQ(afterKeyCheck(check, 4, user.prompts), AfterCheck::ScaleSilent);
    EXPECT_TRUE(user.said.empty());
}

TEST(AfterKeyCheck, ProgrammedKeyDeclinedIsKept) {
    test::RecordingPrompts user;
    user.answers = {false, true};
    EXPECT_EQ(afterKeyCheck(checked(true), 4, user.prompts), AfterCheck::KeyKept);
    EXPECT_EQ(user.said, Said{kOverwrite});
}

TEST(AfterKeyCheck, ProgrammedKeyAcceptedIsConfirmedThenWritten) {
    for (const bool confirmed : {true, false}) {
        SCOPED_TRACE(confirmed);
        test::RecordingPrompts user;
        user.answers = {true, confirmed};
        EXPECT_EQ(afterKeyCheck(checked(true), 4, user.prompts),
                  confirmed ? AfterCheck::Write : AfterCheck::Stop);
        EXPECT_EQ(user.said, (Said{kOverwrite, kConfirm}));
    }
}

TEST(AfterKeyCheck, BlankKeyIsOnlyConfirmed) {
    for (const bool confirmed : {false, true}) {
        SCOPED_TRACE(confirmed);
        test::RecordingPrompts user;
        user.answers = {confirmed};
        EXPECT_EQ(afterKeyCheck(checked(false), 4, user.prompts),
                  confirmed ? AfterCheck::Write : AfterCheck::Stop);
        EXPECT_EQ(user.said, Said{kConfirm});
    }
}
