// The steps of one update and the questions between them, as every front end follows them, against
// the in-process scale: which step comes next, what is asked, and what an answer (or none) leads to.

#include <gtest/gtest.h>

#include "ScaleWithTables.h"
#include "core/firmware/UpdateDriver.h"
#include "core/scale/SerialNumber.h"
#include "support/FakeScaleTransport.h"

using namespace vantor;
using namespace vantor::firmware;
using namespace vantor::scale;
using vantor::test::memoryWithTables;

namespace {

using Kind = UpdateAction::Kind;

ImageBuffer blankRegionImage() {
    ImageBuffer image;
    image[0x0000] = 0x02;
    return image;
}

BackupSaver savedAs(std::string path, std::string error = {}) {
    return [path, error](const std::string&, std::span<const Byte>) { return SavedBackup{path, error}; };
}

const std::atomic<bool> kGoOn{false};

// Runs the steps the driver gives until it asks something or is done; the steps run, in order.
std::vector<UpdateStep> runSteps(UpdateDriver& driver, ScaleTransport& scale) {
    std::vector<UpdateStep> steps;
    for (UpdateAction action = driver.next(); action.kind == Kind::Run; action = driver.next()) {
        steps.push_back(action.step);
        driver.run(action.step, scale, {}, kGoOn);
    }
    return steps;
}

}  // namespace

TEST(UpdateDriver, RunsTheStepsInOrderAndAsksAgainUntilTheWriteBackIsAnswered) {
    FakeScaleTransport scale{ScaleModel(memoryWithTables())};
    ScaleUpdate update(blankRegionImage(), TablesChoice::Keep, savedAs("/b/Tables.hex"));
    UpdateDriver driver(update);
    EXPECT_EQ(runSteps(driver, scale), (std::vector{UpdateStep::SavingTables, UpdateStep::Updating}));

    UpdateAction asked = driver.next();
    ASSERT_EQ(asked.kind, Kind::Ask);
    EXPECT_EQ(asked.question, UpdateQuestion::WriteTablesBack);
    EXPECT_EQ(asked.message.text, tables_text::offerRestore("/b/Tables.hex").text);
    // Closing this box is no answer: only the No button gives the tables up.
    EXPECT_TRUE(asked.message.closeIsNoAnswer);
    driver.answer(UpdateAnswer::None);
    EXPECT_EQ(driver.next().question, UpdateQuestion::WriteTablesBack);
    driver.answer(UpdateAnswer::Yes);
    EXPECT_EQ(runSteps(driver, scale), std::vector{UpdateStep::WritingTablesBack});
    EXPECT_EQ(driver.next().kind, Kind::Done);
    EXPECT_TRUE(driver.report().succeeded());

    // A Retry of a prepared update begins with the run: the tables are not read again.
    UpdateDriver retry(update);
    EXPECT_EQ(retry.next().step, UpdateStep::Updating);
}

TEST(UpdateDriver, AQuestionBeforeTheRunIsNoByDefaultAndNoAnswerWritesNothing) {
    FakeScaleTransport scale{ScaleModel(memoryWithTables())};
    scale.model().addFault(*parseFault("lose:read:addr=0x8800").fault);
    ScaleUpdate update(blankRegionImage(), TablesChoice::Keep, savedAs("/b/Tables.hex"));
    UpdateDriver driver(update);
    runSteps(driver, scale);
    const UpdateAction asked = driver.next();
    ASSERT_EQ(asked.kind, Kind::Ask);
    EXPECT_EQ(asked.question, UpdateQuestion::WithoutTables);
    EXPECT_EQ(asked.message, tables_text::unreadQuestion(update.tablesRead()));
    EXPECT_TRUE(asked.message.defaultNo);
    EXPECT_FALSE(asked.message.closeIsNoAnswer);
    driver.answer(UpdateAnswer::None);
    EXPECT_EQ(driver.next().kind, Kind::Done);
    EXPECT_TRUE(driver.report().declined);
    EXPECT_EQ(scale.model().counters().writes, 0u);
}

TEST(UpdateDriver, YesToTablesHeldInMemoryGoesOnToTheRunAndNoToTheWriteBackKeepsThemOffered) {
    FakeScaleTransport scale{ScaleModel(memoryWithTables())};
    ScaleUpdate update(blankRegionImage(), TablesChoice::Keep, savedAs("/b/Tables.hex", "Disk full"));
    UpdateDriver driver(update);
    runSteps(driver, scale);
    EXPECT_EQ(driver.next().question, UpdateQuestion::WithoutBackupFile);
    EXPECT_TRUE(driver.next().message.defaultNo);
    driver.answer(UpdateAnswer::Yes);
    EXPECT_EQ(runSteps(driver, scale), std::vector{UpdateStep::Updating});
    driver.answer(UpdateAnswer::No);
    EXPECT_EQ(driver.next().kind, Kind::Done);
    EXPECT_TRUE(driver.report().writeBackDeclined);
    EXPECT_TRUE(driver.report().tablesIncomplete());
}

// Another scale found behind the port ends the update with its own cause, whatever step it meets.
TEST(UpdateDriver, AnotherScaleBehindThePortEndsTheUpdateAndSaysWhichScale) {
    FakeScaleTransport scale{ScaleModel(memoryWithTables())};
    ScaleUpdate update(blankRegionImage(), TablesChoice::Keep, savedAs("/b/Tables.hex"));
    UpdateDriver driver(update);
    driver.run(UpdateStep::SavingTables, scale, {}, kGoOn);
    driver.anotherScale("11223344");
    EXPECT_EQ(driver.next().kind, Kind::Done);
    EXPECT_EQ(driver.report().otherScale, "11223344");
    EXPECT_FALSE(driver.report().programming);
    EXPECT_EQ(scale.model().counters().writes, 0u);
}
