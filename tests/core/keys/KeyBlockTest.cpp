// The key block's bytes and the five page writes against the in-process scale.

#include <gtest/gtest.h>

#include <atomic>

#include "core/keys/KeyBlock.h"
#include "core/keys/KeyMessages.h"
#include "core/keys/KeyProgramming.h"
#include "support/FakeScaleTransport.h"

using namespace vantor;
using namespace vantor::keys;
using namespace vantor::scale;

namespace {

Bytes blockOf(std::int16_t unit, std::initializer_list<std::pair<std::int16_t, float>> rows) {
    WeightEntries weights{};
    RateEntries rates{};
    std::size_t i = 0;
    for (const auto& [weight, rate] : rows) {
        weights[i] = weight;
        rates[i++] = rate;
    }
    return keyBlock(weightsInGrams(weights, unit), ratesInCents(rates));
}

Bytes memoryAt(FakeScaleTransport& scale, std::uint32_t address, std::size_t size) {
    const Bytes& memory = scale.model().memory();
    return Bytes(memory.begin() + address, memory.begin() + address + size);
}

}  // namespace

TEST(KeyBlock, OneRowTableGivesItsBytesAndZeroEverywhereElse) {
    const Bytes block = blockOf(kOunces, {{16, 2.50F}});
    ASSERT_EQ(block.size(), 640u);
    EXPECT_EQ(block[0], 0x01);
    EXPECT_EQ(block[1], 0xC6);
    EXPECT_EQ(block[256], 0x00);
    EXPECT_EQ(block[257], 0x00);
    EXPECT_EQ(block[258], 0xFA);
    Bytes rest = block;
    rest[0] = rest[1] = rest[258] = 0;
    EXPECT_EQ(rest, Bytes(640, 0));
}

TEST(KeyBlock, WeightsInGramsRoundHalvesToEven) {
    EXPECT_EQ(ConvertWeight(16, kOunces), 454);    // 453.6
    EXPECT_EQ(ConvertWeight(10, kOunces), 284);    // 283.5
    EXPECT_EQ(ConvertWeight(30, kOunces), 850);    // 850.5
    EXPECT_EQ(ConvertWeight(192, kOunces), 5443);  // 5443.2
    EXPECT_EQ(ConvertWeight(1, kPounds), 454);     // 453.59
    EXPECT_EQ(ConvertWeight(12, kPounds), 5443);   // 5443.08
    EXPECT_EQ(ConvertWeight(5443, kGrams), 5443);
    EXPECT_EQ(ConvertWeight(0, kOunces), 0);
}

TEST(KeyBlock, RatesInCentsFromTheSingleValue) {
    EXPECT_EQ(toCents(2.50F), 250);
    EXPECT_EQ(toCents(9999.99F), 999999);
    EXPECT_EQ(toCents(0.125F), 12);  // 12.5 cents: the even cent
    EXPECT_EQ(toCents(0.375F), 38);
    EXPECT_EQ(toCents(0.01F), 1);
    const Bytes block = blockOf(kPounds, {{12, 9999.99F}});
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 2), (Bytes{0x15, 0x43}));
    EXPECT_EQ(Bytes(block.begin() + 256, block.begin() + 259), (Bytes{0x0F, 0x42, 0x3F}));
}

TEST(KeyBlock, ConvertHexPadsToTheFieldWidth) {
    EXPECT_EQ(ConvertHex(255, 2), "00FF");
    EXPECT_EQ(ConvertHex(5443, 2), "1543");
    EXPECT_EQ(ConvertHex(250, 3), "0000FA");
    EXPECT_EQ(ConvertHex(0, 2), "0000");
    EXPECT_EQ(ConvertHex(0x12345, 2), "12345");  // longer than the field: whole
}

TEST(KeyBlock, EntriesLandAtTheirOffsets) {
    const Bytes block = blockOf(kGrams, {{100, 1.00F}, {200, 2.00F}, {300, 3.00F}});
    EXPECT_EQ(Bytes(block.begin() + 4, block.begin() + 6), (Bytes{0x01, 0x2C}));
    EXPECT_EQ(Bytes(block.begin() + 256 + 6, block.begin() + 256 + 9), (Bytes{0x00, 0x01, 0x2C}));
}

TEST(KeyBlock, BlocksOfTheSixKeys) {
    EXPECT_EQ(keyBlockStart(1), 0x8300u);
    EXPECT_EQ(keyBlockStart(2), 0x8580u);
    EXPECT_EQ(keyBlockStart(3), 0x8800u);
    EXPECT_EQ(keyBlockStart(4), 0x8A80u);
    EXPECT_EQ(keyBlockStart(5), 0x8D00u);
    EXPECT_EQ(keyBlockStart(6), 0x8F80u);
}

TEST(ProgramData, WritesFivePagesInOrderWithProgress) {
    for (const auto& [key, pages] :
         {std::pair{1, std::vector<std::uint32_t>{0x8300, 0x8380, 0x8400, 0x8480, 0x8500}},
          std::pair{6, std::vector<std::uint32_t>{0x8F80, 0x9000, 0x9080, 0x9100, 0x9180}}}) {
        SCOPED_TRACE(key);
        FakeScaleTransport scale(ScaleModel("12345678"));
        const Bytes block = blockOf(kOunces, {{16, 2.50F}, {32, 3.10F}});
        std::vector<std::size_t> progress;
        const OperationResult result = ProgramData(
            scale, key, block,
            [&](const Progress& report) {
                EXPECT_EQ(report.phase, Phase::Write);
                EXPECT_EQ(report.total, 5u);
                progress.push_back(report.done);
            },
            std::atomic<bool>{false});
        ASSERT_TRUE(result.succeeded());
        EXPECT_EQ(result.serial, "12345678");
        EXPECT_EQ(progress, (std::vector<std::size_t>{1, 2, 3, 4, 5}));
        std::vector<std::uint32_t> written;
        for (const Bytes& command : scale.sent())
            if (command[0] == kWritePage)
                written.push_back(static_cast<std::uint32_t>(command[1] << 8 | command[2]));
        EXPECT_EQ(written, pages);
        EXPECT_EQ(memoryAt(scale, keyBlockStart(key), 640), block);
        // Nothing around the block was touched.
        EXPECT_EQ(memoryAt(scale, keyBlockStart(key) - 128, 128), Bytes(128, 0xFF));
        if (key < 6) {
            EXPECT_EQ(memoryAt(scale, keyBlockStart(key) + 640, 128), Bytes(128, 0xFF));
        }
    }
}

TEST(ProgramData, StopsAtTheFirstPageThatFails) {
    FakeScaleTransport scale(ScaleModel("12345678"));
    scale.model().addFault(*parseFault("lose:write:addr=0x8400").fault);
    std::vector<std::size_t> progress;
    const OperationResult result = ProgramData(
        scale, 1, blockOf(kOunces, {{16, 2.5F}}),
        [&](const Progress& report) { progress.push_back(report.done); }, std::atomic<bool>{false});
    EXPECT_EQ(result.outcome, Outcome::NoReply);
    EXPECT_EQ(result.stage, Stage::Write);
    EXPECT_EQ(result.page, 0x8400u);
    EXPECT_EQ(result.pagesDone, 2u);
    EXPECT_EQ(result.pagesTotal, 5u);
    EXPECT_EQ(progress, (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(memoryAt(scale, 0x8480, 256), Bytes(256, 0xFF));
}

TEST(CheckKey, AsksOnlyWhenTheScaleGaveItsNumber) {
    FakeScaleTransport silent(ScaleModel("12345678"));
    silent.model().addFault(*parseFault("lose:read").fault);
    const KeyCheck none = checkKey(silent, 3);
    EXPECT_EQ(none.serial.serial, "");
    EXPECT_EQ(silent.sent().size(), 1u);

    ScaleModel model("12345678");
    Bytes memory = model.memory();
    memory[0x8800] = 0x01;
    FakeScaleTransport used{ScaleModel(memory)};
    const KeyCheck check = checkKey(used, 3);
    EXPECT_TRUE(check.check.programmed);
    EXPECT_EQ(used.sent()[2], (Bytes{0xB4, 0x88, 0x00}));
}

TEST(KeyMessages, AnIncompleteTableIsNamedWithItsKeyAndHowFarTheWriteCame) {
    const vantor::Message message = messages::incompleteTable(3, 2, 5);
    EXPECT_EQ(message.title, "Key Programming Incomplete");
    EXPECT_EQ(message.icon, vantor::Message::Icon::Exclamation);
    EXPECT_EQ(message.text,
              "Key 3 holds an incomplete table: 2 of its 5 parts were written. Program key 3 again before "
              "you use it.");
}
