// The simulated scale's fault scripts: their text, and which commands each fault fires on.

#include <gtest/gtest.h>

#include "simulation/FaultScript.h"

using namespace std::chrono_literals;
using namespace vantor::scale;

TEST(ParseFault, ReadsActionCommandAndSettings) {
    const auto lose = parseFault("lose:write:nth=3").fault;
    ASSERT_TRUE(lose);
    EXPECT_EQ(lose->action, FaultAction::Lose);
    EXPECT_EQ(lose->command, CommandKind::Write);
    EXPECT_EQ(lose->nth, 3u);
    EXPECT_EQ(lose->count, 1u);  // once, when a start is given

    const auto corrupt = parseFault("corrupt:read:addr=0x280").fault;
    ASSERT_TRUE(corrupt);
    EXPECT_EQ(corrupt->address, 0x280);
    EXPECT_FALSE(corrupt->count);  // every time

    const auto delay = parseFault("delay:any:ms=4500:count=2").fault;
    ASSERT_TRUE(delay);
    EXPECT_EQ(delay->delay, 4500ms);
    EXPECT_EQ(delay->count, 2u);
}

TEST(ParseFault, RefusesMalformedText) {
    for (const char* text :
         {"", "lose", "explode:read", "lose:jump", "lose:read:nth", "lose:read:nth=0", "lose:read:nth=x",
          "lose:read:addr=0x10000", "delay:read", "lose:read:colour=3"}) {
        const FaultParse parse = parseFault(text);
        EXPECT_FALSE(parse.fault) << text;
        EXPECT_FALSE(parse.error.empty()) << text;
    }
}

TEST(FaultScript, FiresFromTheNthMatchingCommandForCountTimes) {
    FaultScript script;
    script.add(*parseFault("refuse:unlock:nth=2:count=2").fault);
    std::vector<bool> fired;
    for (int i = 0; i < 5; ++i)
        fired.push_back(!script.faultsFor(CommandKind::Unlock, std::nullopt).empty());
    EXPECT_EQ(fired, (std::vector<bool>{false, true, true, false, false}));
    EXPECT_TRUE(script.faultsFor(CommandKind::Read, 0x0700).empty());
}

TEST(FaultScript, AddressFilterCountsOnlyThatPage) {
    FaultScript script;
    script.add(*parseFault("lose:read:addr=0x100:nth=2").fault);
    EXPECT_TRUE(script.faultsFor(CommandKind::Read, 0x100).empty());
    EXPECT_TRUE(script.faultsFor(CommandKind::Read, 0x180).empty());
    EXPECT_EQ(script.faultsFor(CommandKind::Read, 0x100).size(), 1u);
    EXPECT_TRUE(script.faultsFor(CommandKind::Read, 0x100).empty());
}
