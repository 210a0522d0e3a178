// The table editor's rules without a window: every check of Add in its order with its message,
// the questions, Edit Last, Clear All, the unit change, the arrows, and the 128-row limit.

#include <gtest/gtest.h>

#include "RecordingPrompts.h"
#include "core/keys/WeightRateTable.h"

using namespace vantor::keys;

namespace {

using Recorder = vantor::keys::test::RecordingPrompts;

class TableTest : public ::testing::Test {
protected:
    TableTest() { table.keyNumber = 1; }

    bool add(const std::string& max, const std::string& rate) {
        table.txtMaxWt = max;
        table.txtRate = rate;
        Focus focus = Focus::None;
        lastFocus = Focus::None;
        const bool added = table.add(recorder.prompts, focus);
        lastFocus = focus;
        return added;
    }
    std::vector<std::string> said() {
        auto all = std::move(recorder.said);
        recorder.said.clear();
        return all;
    }

    WeightRateTable table;
    Recorder recorder;
    Focus lastFocus = Focus::None;
};

using Said = std::vector<std::string>;

}  // namespace

TEST_F(TableTest, FirstRowStartsAtZeroAndLeavesTheNextRangeInTheBoxes) {
    EXPECT_EQ(table.txtMinWt, "0");
    EXPECT_EQ(table.txtRate, "$0.00");
    ASSERT_TRUE(add("12", "1"));
    EXPECT_TRUE(said().empty());
    EXPECT_EQ(table.txtMinWt, "12");
    EXPECT_EQ(table.txtMaxWt, "13");
    EXPECT_EQ(table.txtRate, "$1.00");
    ASSERT_EQ(table.rows().size(), 1u);
    EXPECT_EQ(table.rows()[0].maxWeight, "12");
    EXPECT_EQ(table.rows()[0].rate, "$1.00");
    EXPECT_EQ(table.MaxWts[0], 12);
    EXPECT_FLOAT_EQ(table.Rates[0], 1.0F);
    EXPECT_EQ(table.NextRange, 2);
}

TEST_F(TableTest, KeyMustBeChosenFirst) {
    table.keyNumber = 0;
    EXPECT_FALSE(add("12", "1"));
    EXPECT_EQ(said(), Said{"Choose Blank Key: Choose a blank key to be programmed first."});
    EXPECT_EQ(lastFocus, Focus::KeyNumber);
    EXPECT_EQ(table.rowCount(), 0);
}

TEST_F(TableTest, TextsThatAreNoNumbersPutTheLastRowBack) {
    ASSERT_TRUE(add("12", "$1.50"));
    for (const auto& [max, rate] : std::vector<std::pair<std::string, std::string>>{
             {"abc", "2"}, {"14", "two"}, {"", "2"}, {"-40000", "2"}, {"14", "1e40"}}) {
        SCOPED_TRACE(max + " / " + rate);
        EXPECT_FALSE(add(max, rate));
        EXPECT_EQ(said(), Said{"Check Data: Please check your data. Enter only numeric values."});
        EXPECT_EQ(table.txtMaxWt, "12");
        EXPECT_EQ(table.txtRate, "$1.50");
        EXPECT_EQ(lastFocus, Focus::MaxWeight);
        EXPECT_EQ(table.rowCount(), 1);
    }
}

TEST_F(TableTest, WeightLimitFollowsTheUnitAndRateLimitIsExact) {
    Focus focus;
    EXPECT_TRUE(add("192", "1"));
    table.ClearAllData();
    EXPECT_FALSE(add("193", "1"));
    EXPECT_EQ(said(), Said{"Maximum Weight: You have reached maximum weight allowed for Vantor scale."});
    // Too big for any weight: the limit is said, and what was typed stays to be corrected.
    EXPECT_FALSE(add("99999", "1"));
    EXPECT_EQ(said(), Said{"Maximum Weight: The maximum weight allowed for Vantor scale is 192 oz. Enter a "
                           "max weight of at most 192 oz."});
    EXPECT_EQ(table.txtMaxWt, "99999");
    EXPECT_EQ(lastFocus, Focus::MaxWeight);

    ASSERT_TRUE(table.changeUnit(kPounds, recorder.prompts, focus));
    EXPECT_TRUE(add("12", "1"));
    table.ClearAllData();
    EXPECT_FALSE(add("13", "1"));
    said();
    ASSERT_TRUE(table.changeUnit(kGrams, recorder.prompts, focus));
    EXPECT_TRUE(add("5443", "1"));
    table.ClearAllData();
    EXPECT_FALSE(add("5444", "1"));
    said();
    EXPECT_FALSE(add("40000", "1"));
    EXPECT_EQ(said(), Said{"Maximum Weight: The maximum weight allowed for Vantor scale is 5443 gms. Enter a "
                           "max weight of at most 5443 gms."});

    EXPECT_TRUE(add("10", "9999.99"));
    table.ClearAllData();
    EXPECT_FALSE(add("10", "10000"));
    EXPECT_EQ(said(), Said{"Maximum Rate: Maximum rate is $9,999.99."});
    // Both limits broken: both messages in one click.
    EXPECT_FALSE(add("6000", "$10,000.00"));
    EXPECT_EQ(said(), (Said{"Maximum Weight: You have reached maximum weight allowed for Vantor scale.",
                            "Maximum Rate: Maximum rate is $9,999.99."}));
}

TEST_F(TableTest, ZeroNegativeAndEqualWeightsAreRefusedWithTheirMessages) {
    EXPECT_FALSE(add("10", "0"));
    EXPECT_EQ(said(), Said{"Incorrect Rate: Rate is $0.00. Please change the rate."});
    EXPECT_FALSE(add("10", "-1"));
    EXPECT_EQ(said(), Said{"Incorrect Value: Negative rate is not allowed. Please check your input."});
    EXPECT_FALSE(add("0", "1"));
    EXPECT_EQ(said(), Said{"Incorrect Value: Max weight must be greater than min weight."});
    ASSERT_TRUE(add("10", "1"));
    EXPECT_FALSE(add("10", "2"));
    EXPECT_EQ(said(), Said{"Incorrect Value: Max weight must be greater than min weight."});
    // 10.4 is read as 10: no greater than the min either.
    EXPECT_FALSE(add("10.4", "2"));
    said();
    EXPECT_EQ(table.rowCount(), 1);
}

TEST_F(TableTest, LowerOrEqualRateNeedsAYes) {
    ASSERT_TRUE(add("10", "$2.00"));
    const std::string lower =
        "Check Rate? Current rate is lesser than previous rate. Do you want to save this range?";
    const std::string equal =
        "Check Rate? Current rate is equal to previous rate. Do you want to save this range?";
    recorder.answers = {false};
    EXPECT_FALSE(add("11", "$1.00"));
    EXPECT_EQ(said(), Said{lower});
    recorder.answers = {true};
    EXPECT_TRUE(add("11", "$1.00"));
    EXPECT_EQ(said(), Said{lower});
    recorder.answers = {false};
    EXPECT_FALSE(add("12", "$1.00"));
    EXPECT_EQ(said(), Said{equal});
    recorder.answers = {true};
    EXPECT_TRUE(add("12", "$1.00"));
    EXPECT_EQ(said(), Said{equal});
    EXPECT_EQ(table.rowCount(), 3);
}

// The scale holds whole weights: 3.5 oz would be written as 4 oz.
TEST_F(TableTest, MaxWeightThatIsNoWholeNumberIsRefusedAtAddAndAtTheArrows) {
    const Said refusal{"Incorrect Value: Max weight must be a whole number. Please check your input."};
    EXPECT_FALSE(add("3.5", "1"));
    EXPECT_EQ(said(), refusal);
    EXPECT_EQ(lastFocus, Focus::MaxWeight);
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(table.txtMaxWt, "3.5");  // left for the user to mend
    Focus focus = Focus::None;
    table.UDMax_UpClick(recorder.prompts, focus);
    table.UDMax_DownClick(recorder.prompts, focus);
    EXPECT_EQ(said(), (Said{refusal[0], refusal[0]}));
    EXPECT_EQ(table.txtMaxWt, "3.5");
    EXPECT_TRUE(add("4.0", "1"));
    EXPECT_EQ(table.MaxWts[0], 4);
}

// What is shown, compared and written is the rate in whole cents.
TEST_F(TableTest, RatesAreKeptAsTheWholeCentsTheyAreWrittenAs) {
    EXPECT_FALSE(add("1", "0.001"));
    EXPECT_EQ(said(), Said{"Incorrect Rate: Rate is $0.00. Please change the rate."});
    ASSERT_TRUE(add("1", "1.004"));
    EXPECT_EQ(table.rows()[0].rate, "$1.00");
    EXPECT_FLOAT_EQ(table.Rates[0], 1.0F);
    // 1.001 and 1.004 are the same $1.00: the equal-rate question, not the lower one.
    EXPECT_FALSE(add("2", "1.001"));
    EXPECT_EQ(said(),
              Said{"Check Rate? Current rate is equal to previous rate. Do you want to save this range?"});
    ASSERT_TRUE(add("2", "1.006"));
    EXPECT_TRUE(said().empty());
    EXPECT_EQ(table.rows()[1].rate, "$1.01");
    EXPECT_EQ(toCents(table.Rates[1]), 101);
}

TEST_F(TableTest, HoldsAtMost128Rows) {
    Focus focus;
    ASSERT_TRUE(table.changeUnit(kGrams, recorder.prompts, focus));
    for (int row = 1; row <= WeightRateTable::kRows; ++row)
        ASSERT_TRUE(add(std::to_string(row * 40), std::to_string(row))) << row;
    EXPECT_TRUE(said().empty());
    const auto before = table.MaxWts;
    EXPECT_FALSE(add("5443", "200"));
    EXPECT_EQ(said(), Said{"Maximum Range: The Weight and Rate Table is full. You can input a maximum of 128 "
                           "range or intervals."});
    EXPECT_EQ(table.rowCount(), 128);
    EXPECT_EQ(table.MaxWts, before);
}

TEST_F(TableTest, EditLastOnOneRowEmptiesTheTableAndTheArrays) {
    ASSERT_TRUE(add("16", "$2.50"));
    table.editLast();
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_TRUE(table.rows().empty());
    EXPECT_EQ(table.txtMinWt, "0");
    EXPECT_EQ(table.txtMaxWt, "16");
    EXPECT_EQ(table.txtRate, "$2.50");
    EXPECT_EQ(table.LastMaxWt, 0);
    EXPECT_EQ(table.LastRate, 0);
    EXPECT_EQ(table.MaxWts[0], 0);
    EXPECT_EQ(table.Rates[0], 0);
    table.editLast();  // nothing left to take back
    EXPECT_EQ(table.NextRange, 1);
}

TEST_F(TableTest, EditLastGivesThePreviousRowBackAsTheLastOne) {
    ASSERT_TRUE(add("10", "1"));
    ASSERT_TRUE(add("20", "2"));
    table.editLast();
    EXPECT_EQ(table.txtMaxWt, "20");
    EXPECT_EQ(table.txtRate, "$2.00");
    EXPECT_EQ(table.txtMinWt, "10");
    EXPECT_EQ(table.LastMaxWt, 10);
    EXPECT_FLOAT_EQ(table.LastRate, 1.0F);
    EXPECT_EQ(table.MaxWts[1], 0);
    EXPECT_EQ(table.Rates[1], 0);
    // The range can be added again, changed.
    ASSERT_TRUE(add("25", "3"));
    EXPECT_EQ(table.MaxWts[1], 25);
}

TEST_F(TableTest, ClearAllOnlyOnYes) {
    ASSERT_TRUE(add("10", "1"));
    recorder.answers = {false};
    EXPECT_FALSE(table.clearAll(recorder.prompts));
    EXPECT_EQ(table.rowCount(), 1);
    recorder.answers = {true};
    EXPECT_TRUE(table.clearAll(recorder.prompts));
    EXPECT_EQ(said(), (Said{"Clear Data? Are you sure you want to clear all data you entered?",
                            "Clear Data? Are you sure you want to clear all data you entered?"}));
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(table.MaxWts[0], 0);
    EXPECT_EQ(table.txtMinWt, "0");
    EXPECT_EQ(table.txtMaxWt, "0");
    EXPECT_EQ(table.txtRate, "$0.00");
}

TEST_F(TableTest, UnitChangeOnAFilledTableAsksFirst) {
    Focus focus;
    ASSERT_TRUE(add("10", "1"));
    recorder.answers = {false};
    EXPECT_FALSE(table.changeUnit(kGrams, recorder.prompts, focus));
    EXPECT_EQ(said(),
              Said{"Change Weight Unit? This will clear all your entries in the Weight and Rate Table.\r\n"
                   "Do you want to continue?"});
    EXPECT_EQ(table.WtUnit, kOunces);
    EXPECT_EQ(table.rowCount(), 1);
    // The same unit again asks nothing.
    EXPECT_TRUE(table.changeUnit(kOunces, recorder.prompts, focus));
    EXPECT_TRUE(said().empty());
    recorder.answers = {true};
    EXPECT_TRUE(table.changeUnit(kGrams, recorder.prompts, focus));
    said();
    EXPECT_EQ(table.WtUnit, kGrams);
    EXPECT_EQ(table.MaxAllowedWt, 5443);
    EXPECT_EQ(table.rowCount(), 0);
    // With no key chosen the unit still changes, with the reminder.
    table.keyNumber = 0;
    EXPECT_TRUE(table.changeUnit(kPounds, recorder.prompts, focus));
    EXPECT_EQ(said(), Said{"Choose Blank Key: Choose a blank key to be programmed first."});
    EXPECT_EQ(table.MaxAllowedWt, 12);
}

TEST_F(TableTest, ArrowsStepWeightsByOneAndRatesByOneDollar) {
    Focus focus;
    table.txtMaxWt = "191";
    table.UDMax_UpClick(recorder.prompts, focus);
    EXPECT_EQ(table.txtMaxWt, "192");
    table.UDMax_UpClick(recorder.prompts, focus);
    EXPECT_EQ(table.txtMaxWt, "193");  // Add refuses it later
    table.UDMax_UpClick(recorder.prompts, focus);
    EXPECT_EQ(table.txtMaxWt, "193");
    EXPECT_EQ(said(), Said{"Maximum Weight: You have reached maximum weight allowed for Vantor scale."});
    table.txtMaxWt = "0";
    table.UDMax_DownClick(recorder.prompts, focus);
    EXPECT_EQ(table.txtMaxWt, "0");

    table.txtRate = "$0.50";
    table.UDRate_UpClick(recorder.prompts, focus);
    EXPECT_EQ(table.txtRate, "$1.50");
    table.UDRate_DownClick(recorder.prompts, focus);
    table.UDRate_DownClick(recorder.prompts, focus);
    EXPECT_EQ(table.txtRate, "-$0.50");
    table.UDRate_DownClick(recorder.prompts, focus);
    EXPECT_EQ(table.txtRate, "-$0.50");
    table.txtRate = "$9,999.99";
    table.UDRate_UpClick(recorder.prompts, focus);
    EXPECT_EQ(table.txtRate, "$10,000.99");
    EXPECT_TRUE(said().empty());
}

TEST_F(TableTest, ArrowsRefuseTextsThatAreNoNumbers) {
    Focus focus;
    table.txtMaxWt = "lots";
    table.UDMax_UpClick(recorder.prompts, focus);
    EXPECT_EQ(said(), Said{"Check Data: Please check your data. Enter only numeric values."});
    EXPECT_EQ(table.txtMaxWt, "0");
    table.txtMaxWt = "70000";  // a number, beyond the limit: said so, and left to be corrected
    table.UDMax_DownClick(recorder.prompts, focus);
    EXPECT_EQ(said().at(0).substr(0, 15), "Maximum Weight:");
    EXPECT_EQ(table.txtMaxWt, "70000");
    table.txtMaxWt = "0";
    table.txtRate = "free";
    table.UDRate_UpClick(recorder.prompts, focus);
    said();
    EXPECT_EQ(table.txtRate, "$0.00");
    table.keyNumber = 0;
    table.UDRate_UpClick(recorder.prompts, focus);
    EXPECT_EQ(said(), Said{"Choose Blank Key: Choose a blank key to be programmed first."});
    EXPECT_EQ(focus, Focus::KeyNumber);
}
