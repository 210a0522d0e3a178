// The steps before the scale is touched, as the zone form and vantor-cli zones both take them: a
// refused chart is told and nothing is asked, a declined question writes nothing, and Yes gives
// the six pages of the table.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/zones/ZoneFlow.h"

using namespace vantor;
using namespace vantor::zones;

namespace {

const std::string kExample =
    "Zone Chart\r\n3-digit ZIP Code prefix is 123\r\n005 4 006---009 5*\r\n010---012 6\r\n";

// Records what the user was told and asked, and answers every question with `yes`.
struct ScriptedUser {
    bool yes = true;
    std::vector<vantor::Message> told;
    std::vector<vantor::Message> asked;

    Prompts prompts() {
        return {[this](const vantor::Message& message) { told.push_back(message); },
                [this](const vantor::Message& question) {
                    asked.push_back(question);
                    return yes;
                }};
    }
};

}  // namespace

TEST(AskToWriteZones, ARefusedChartIsToldAndNothingIsAsked) {
    // Which charts are refused, and in which words, is readZoneChart's; here: told once, not asked.
    ScriptedUser user;
    const ZoneWrite write =
        askToWriteZones("Zone Chart\r\n3-digit ZIP Code prefix is 004\r\n005 4\r\n", user.prompts());
    EXPECT_EQ(write.stop, ZoneWrite::Stop::Refused);
    EXPECT_FALSE(write.confirmed());
    ASSERT_EQ(user.told.size(), 1u);
    EXPECT_EQ(user.told[0].title, "Invalid Data");
    EXPECT_EQ(user.told[0].text,
              "PC Program cannot detect a valid zip.\nPlease check that the data you copied and pasted is "
              "correct.");
    EXPECT_TRUE(user.asked.empty());
}

TEST(AskToWriteZones, ADeclinedQuestionWritesNothing) {
    ScriptedUser user;
    user.yes = false;
    const ZoneWrite write = askToWriteZones(kExample, user.prompts());
    EXPECT_EQ(write.stop, ZoneWrite::Stop::Declined);
    EXPECT_FALSE(write.confirmed());
    EXPECT_TRUE(user.told.empty());
    ASSERT_EQ(user.asked.size(), 1u);
    EXPECT_EQ(user.asked[0].title, "Confirm Zip/Zone Programming");
    EXPECT_EQ(
        user.asked[0].text,
        "You are going to program your scale's postal zones using zip 123.\n3 destination ranges were read "
        "from the zone chart.\nThe chart ends at destination 012, so destinations 013 to 999 will have no "
        "zone in "
        "the scale. If you copied only part of the chart, answer No and copy the whole page again.\nAre you "
        "sure you want to continue?");
    EXPECT_EQ(user.asked[0].icon, vantor::Message::Icon::Question);
    EXPECT_EQ(write.chart.OriginZip, "123");
    EXPECT_EQ(write.chart.ZipCount, 3);
}

TEST(AskToWriteZones, YesGivesTheSixPagesOfTheSortedTable) {
    ScriptedUser user;
    // Out of chart order: the pages hold the entries sorted by prefix.
    const ZoneWrite write = askToWriteZones(
        "Zone Chart\r\n3-digit ZIP Code prefix is 123\r\n005 4 010---012 6\r\n006---009 5*\r\n",
        user.prompts());
    ASSERT_TRUE(write.confirmed());
    EXPECT_EQ(write.stop, ZoneWrite::Stop::None);
    EXPECT_TRUE(user.told.empty());
    ASSERT_EQ(user.asked.size(), 1u);
    EXPECT_EQ(write.chart.ZipPrefixes[1], 9) << "sorted before it is asked about and written";

    const std::vector<unsigned> addresses = {0x8000, 0x8080, 0x8100, 0x8180, 0x8200, 0x8280};
    std::vector<std::vector<Byte>> expected(6, std::vector<Byte>(128, 0));
    expected[0][0] = 0x04;
    expected[0][1] = 0x05;
    expected[0][2] = 0x06;
    expected[2] = {0x00, 0x05, 0x00, 0x09, 0x00, 0x0C};
    expected[2].resize(128, 0);
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(write.pages[i].address, addresses[i]);
        EXPECT_EQ(std::vector<Byte>(write.pages[i].bytes.begin(), write.pages[i].bytes.end()), expected[i]);
    }
}

TEST(ZoneMessages, APartWrittenTableIsSaidAsSuch) {
    const vantor::Message message = incompleteTableMessage(2, 6);
    EXPECT_EQ(message.title, "Zone Programming Incomplete");
    EXPECT_EQ(
        message.text,
        "The scale holds an incomplete zone table: 2 of its 6 parts were written. Program the zones again "
        "before you use the scale.");
    EXPECT_EQ(message.icon, vantor::Message::Icon::Exclamation);
}
