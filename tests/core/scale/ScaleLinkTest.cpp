// The scale link against the in-process fake scale: the exact command bytes, RdSN, and the time
// limits and stale bytes around each exchange.

#include <gtest/gtest.h>

#include "core/scale/ScaleLink.h"
#include "core/scale/SerialNumber.h"
#include "support/FakeScaleTransport.h"

using namespace std::chrono_literals;
using namespace vantor;
using namespace vantor::scale;

TEST(Commands, ExactBytesOnTheWire) {
    EXPECT_EQ(unlockCommand({0x12, 0x34, 0x56, 0x78}), (Bytes{0x1E, 0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(readPageCommand(0x0700), (Bytes{0xB4, 0x07, 0x00}));
    EXPECT_EQ(readPageCommand(0xFF80), (Bytes{0xB4, 0xFF, 0x80}));
    EXPECT_EQ(finishCommand(), (Bytes{0x4B}));

    Bytes page(kPageSize);
    for (std::size_t i = 0; i < page.size(); ++i)
        page[i] = static_cast<Byte>(i);
    const Bytes write = writePageCommand(0x8300, page);
    ASSERT_EQ(write.size(), 131u);
    EXPECT_EQ(write[0], 0xC3);
    EXPECT_EQ(write[1], 0x83);
    EXPECT_EQ(write[2], 0x00);
    EXPECT_TRUE(std::equal(page.begin(), page.end(), write.begin() + 3));
}

TEST(RdSN, ReadsThePackedSerialNumberAtPage0700) {
    FakeScaleTransport scale(ScaleModel("12345678"));
    const SerialRead read = RdSN(scale);
    EXPECT_EQ(read.serial, "12345678");
    EXPECT_TRUE(read.scaleCom);
    ASSERT_EQ(scale.sent().size(), 1u);
    EXPECT_EQ(scale.sent()[0], (Bytes{0xB4, 0x07, 0x00}));
    EXPECT_LT(scale.now(), 1s);
}

TEST(RdSN, DropsStaleBytesWaitingBeforeTheCommand) {
    FakeScaleTransport scale(ScaleModel("87654321"));
    scale.inject({0xF0, 0x12, 0x34, 0x56, 0x78, 0x00, 0x11});
    scale.waitForBytes(1, 1s);  // the stale bytes have arrived
    EXPECT_EQ(RdSN(scale).serial, "87654321");
}

TEST(RdSN, ShortReplyTimesOutAfterTheLimitWithEmptyText) {
    FakeScaleTransport scale(ScaleModel("12345678"));
    scale.model().addFault(*parseFault("short:read").fault);  // 130 bytes, then silence
    const SerialRead read = RdSN(scale);
    EXPECT_EQ(read.serial, "");
    EXPECT_FALSE(read.scaleCom);
    // The wait lasted the whole ten seconds, and not much more.
    EXPECT_GE(scale.now(), 10s);
    EXPECT_LT(scale.now(), 11s);
}

TEST(RdSN, OnlyCharactersSevenToFourteenMatterInALongReply) {
    FakeScaleTransport scale(ScaleModel("24681357"));
    scale.model().addFault(*parseFault("long:read").fault);  // 135 bytes waiting
    EXPECT_EQ(RdSN(scale).serial, "24681357");
}

TEST(RdSN, GarbledReplyIsReturnedAsItReads) {
    ScaleModel model("12345678");
    FakeScaleTransport scale(model);
    scale.model().addFault(*parseFault("echo:read").fault);
    EXPECT_EQ(RdSN(scale).serial, "12345678");  // the address echo is not part of the number

    FakeScaleTransport blank{ScaleModel(Bytes(kMemorySize, 0xFF))};
    const SerialRead read = RdSN(blank);
    EXPECT_TRUE(read.scaleCom);
    EXPECT_EQ(read.serial, "FFFFFFFF");
    EXPECT_EQ(ReadCheckedSerial(blank), std::nullopt);  // no number to unlock with
}

TEST(ReadCheckedSerial, GivesOnlyANumberThatPassesTheCheck) {
    FakeScaleTransport scale(ScaleModel("24681357"));
    EXPECT_EQ(ReadCheckedSerial(scale), "24681357");
    scale.model().addFault(*parseFault("lose:read").fault);
    EXPECT_EQ(ReadCheckedSerial(scale), std::nullopt);
}

TEST(RdSN, ReplyWithinTheLimitCountsAndALateOneDoesNot) {
    FakeScaleTransport prompt(ScaleModel("12345678"));
    prompt.model().addFault(*parseFault("delay:read:ms=9900").fault);
    EXPECT_EQ(RdSN(prompt).serial, "12345678");

    FakeScaleTransport late(ScaleModel("12345678"));
    late.model().addFault(*parseFault("delay:read:ms=10500:nth=1").fault);
    EXPECT_FALSE(RdSN(late).scaleCom);
    // The late reply does not disturb the next exchange.
    EXPECT_EQ(RdSN(late).serial, "12345678");
}

TEST(RdSN, PortThatVanishesGivesEmptyTextWithoutWaiting) {
    FakeScaleTransport scale(ScaleModel("12345678"));
    scale.failNextSends(1);
    const SerialRead read = RdSN(scale);
    EXPECT_FALSE(read.scaleCom);
    EXPECT_EQ(read.serial, "");
    EXPECT_LT(scale.now(), 1s);

    FakeScaleTransport hungUp(ScaleModel("12345678"));
    hungUp.model().addFault(*parseFault("hangup:read").fault);
    EXPECT_FALSE(RdSN(hungUp).scaleCom);
    EXPECT_FALSE(RdSN(hungUp).scaleCom);
    EXPECT_LT(hungUp.now(), 1s);
}

TEST(Exchange, DropsStrayInputBeforeTheCommand) {
    FakeScaleTransport scale(ScaleModel("12345678"));
    scale.inject({0x55});
    scale.waitForBytes(1, 1s);
    // The stray byte is gone: the unlock's answer is the first byte read.
    const auto reply = exchange(scale, unlockCommand(packSerial("12345678")), 1, 2s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (Bytes{0xF0}));
}

// Byte 0 of a page read is the scale's own: any byte will do, as will bytes after the page.
TEST(PageInReply, TakesAReplyOnItsLengthAndTheAddressItRepeats) {
    Bytes reply{0xF0, 0x91, 0x80};
    reply.resize(kReadReplySize, 0x42);
    ASSERT_TRUE(pageInReply(reply, 0x9180));
    EXPECT_EQ(pageInReply(reply, 0x9180)->front(), 0x42);
    EXPECT_TRUE(answers(readPageCommand(0x9180), reply));
    reply.push_back(0x55);
    EXPECT_TRUE(pageInReply(reply, 0x9180));

    EXPECT_FALSE(pageInReply(reply, 0x9100));  // another page's reply
    reply.resize(kReadReplySize - 1);
    EXPECT_FALSE(pageInReply(reply, 0x9180));  // one byte short

    const Bytes unlock = unlockCommand(packSerial("12345678"));
    EXPECT_TRUE(answers(unlock, Bytes{0xF0, 0x12}));  // only the first byte is promised
    EXPECT_FALSE(answers(unlock, Bytes{0x0F}));
}

TEST(Exchange, ATailAfterAnAcknowledgementIsNotTakenIntoTheNextExchange) {
    ScaleModel model("12345678");
    VariationSettings tails;
    tails.tailEvery = 1;
    model.setVariations(tails);
    model.addFault(*parseFault("delay:unlock:ms=10:nth=2").fault);
    model.addFault(*parseFault("refuse:unlock:nth=2").fault);
    FakeScaleTransport scale(std::move(model));
    const Bytes unlock = unlockCommand(packSerial("12345678"));
    ASSERT_EQ(acknowledgement(exchange(scale, unlock, kAckReplySize, 2s)), Outcome::Success);
    // More of the tail comes once the reply has been taken, before the next reply.
    scale.inject({kAck}, 3ms);
    EXPECT_EQ(acknowledgement(exchange(scale, unlock, kAckReplySize, 2s)), Outcome::Refused);
}

// Once bytes nobody asked for were found, the link waits for a quiet line before each command until
// a wait finds nothing to drop; then it keeps the pace of the wire again.
TEST(Exchange, ALineThatCarriedStrayBytesIsWaitedOnUntilAWaitFindsItQuiet) {
    FakeScaleTransport scale(ScaleModel("12345678"));
    const Bytes read = readPageCommand(0x8000);
    scale.inject({0x55});
    scale.waitForBytes(1, 1s);
    const auto start = scale.now();
    ASSERT_TRUE(exchange(scale, read, kReadReplySize, 4s));
    EXPECT_EQ(scale.now(), start + kQuietTime);
    ASSERT_TRUE(exchange(scale, read, kReadReplySize, 4s));
    EXPECT_EQ(scale.now(), start + 2 * kQuietTime);
    ASSERT_TRUE(exchange(scale, read, kReadReplySize, 4s));
    EXPECT_EQ(scale.now(), start + 2 * kQuietTime);
}

TEST(Exchange, AnAnswerToFinishIsNotTakenAsTheNextReply) {
    FakeScaleTransport scale(ScaleModel("12345678"));
    sendFinish(scale);
    scale.inject({kAck}, 5ms);  // nobody awaits it; it comes a little later
    scale.model().addFault(*parseFault("delay:unlock:ms=10").fault);
    scale.model().addFault(*parseFault("refuse:unlock").fault);
    const Reply reply = exchange(scale, unlockCommand(packSerial("12345678")), kAckReplySize, 2s);
    EXPECT_EQ(acknowledgement(reply), Outcome::Refused);
}

// One read takes at most 256 bytes: what is left of an overlong reply is no reply of its own.
TEST(Exchange, WhatAnOverlongReplyLeavesIsNotTheNextReply) {
    FakeScaleTransport scale(ScaleModel("12345678"));
    scale.model().addFault(*parseFault("lose:read:nth=1").fault);
    Bytes overlong{0x00, 0x07, 0x00, 0x12, 0x34, 0x56, 0x78};
    overlong.resize(kReadReplySize + 200, kAck);
    scale.inject(overlong, 1ms);
    const Reply reply = exchange(scale, readPageCommand(0x0700), kReadReplySize, 4s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->size(), kMaxReadSize);
    scale.model().addFault(*parseFault("refuse:unlock").fault);
    EXPECT_EQ(acknowledgement(exchange(scale, unlockCommand(packSerial("12345678")), kAckReplySize, 2s)),
              Outcome::Refused);
}

TEST(Exchange, AReplyInPiecesWithPausesIsTakenWhole) {
    ScaleModel model("12345678");
    VariationSettings pieces;
    pieces.piecesEvery = 1;
    pieces.tailEvery = 1;
    model.setVariations(pieces);
    FakeScaleTransport scale(std::move(model));
    for (int n = 0; n < 20; ++n)
        ASSERT_EQ(RdSN(scale).serial, "12345678") << n;
}

// A reply that came too late for its exchange is still on its way when the read is asked again.
TEST(Exchange, WaitsForTheLineToGoQuietAfterAnExchangeThatDidNotEndWithItsReply) {
    Bytes memory(kMemorySize, 0xFF);
    for (std::size_t i = 0; i < kPageSize; i += 2) {
        memory[0x9180 + i] = 0x91;
        memory[0x9180 + i + 1] = 0x80;
    }
    FakeScaleTransport scale{ScaleModel(memory)};
    scale.model().addFault(*parseFault("lose:read:nth=1").fault);
    const Bytes command = readPageCommand(0x9180);
    EXPECT_EQ(exchange(scale, command, kReadReplySize, 4s).failure, Outcome::NoReply);

    // The late reply's last 55 bytes arrive as the command is asked again, and for a while after.
    const auto timedOut = scale.now();
    const Bytes tail(memory.begin() + 0x9180 + 73, memory.begin() + 0x9180 + kPageSize);
    scale.inject(Bytes(tail.begin(), tail.begin() + 8));
    scale.inject(Bytes(tail.begin() + 8, tail.end()), 4ms);
    const Reply reply = exchange(scale, command, kReadReplySize, 4s);
    std::span<const Byte> page;
    ASSERT_EQ(pageOf(reply, 0x9180, page), Outcome::Success);
    EXPECT_TRUE(std::equal(page.begin(), page.end(), memory.begin() + 0x9180));
    EXPECT_EQ(scale.now(), timedOut + 4ms + kQuietTime);

    // The next command waits once more and finds the line quiet; after that a line that ended with
    // its reply is not waited on: the run keeps the pace of the wire.
    ASSERT_TRUE(exchange(scale, command, kReadReplySize, 4s));
    ASSERT_TRUE(exchange(scale, command, kReadReplySize, 4s));
    EXPECT_EQ(scale.now(), timedOut + 4ms + 2 * kQuietTime);
}

TEST(Exchange, SendsNothingIntoALineThatNeverGoesQuiet) {
    FakeScaleTransport scale(ScaleModel("12345678"));
    scale.setSettled(false);  // as a port just opened
    for (auto at = 0ms; at < 2s; at += 5ms)
        scale.inject({0x55}, at);
    const Reply reply = exchange(scale, readPageCommand(0x8000), kReadReplySize, 4s);
    EXPECT_EQ(reply.failure, Outcome::NoReply);
    EXPECT_TRUE(scale.sent().empty());
    EXPECT_EQ(scale.now(), kNoisyLineLimit);
}

// A run cut short may leave a page write on its way: its answer comes once the rest has crossed the
// line, well after 20 quiet milliseconds, and must not be read as the start of the next reply.
TEST(Exchange, APortJustOpenedWaitsLongerForACommandCutShortToBeAnswered) {
    FakeScaleTransport scale(ScaleModel("12345678"));
    scale.lineOpened();
    scale.inject({kAck}, 60ms);
    scale.model().addFault(*parseFault("delay:read:ms=100:nth=1").fault);
    EXPECT_EQ(RdSN(scale).serial, "12345678");
    EXPECT_GE(scale.now(), 60ms + kOpenedQuietTime);
}
