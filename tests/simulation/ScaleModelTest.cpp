// The simulated scale: its memory, the four commands, commands split over reads, and faults.

#include <gtest/gtest.h>

#include <set>

#include "core/scale/SerialNumber.h"
#include "simulation/ScaleModel.h"

using namespace vantor;
using namespace vantor::scale;

namespace {

Bytes pageOf(Byte value) {
    return Bytes(kPageSize, value);
}

Bytes only(const std::vector<ScaleReply>& replies) {
    EXPECT_EQ(replies.size(), 1u);
    return replies.empty() ? Bytes{} : replies[0].bytes;
}

}  // namespace

TEST(ScaleModel, FreshMemoryIsBlankWithTheSerialNumberPacked) {
    ScaleModel scale("12345678");
    EXPECT_EQ(scale.memory().size(), 0x10000u);
    EXPECT_EQ(scale.memory()[0], 0xFF);
    EXPECT_EQ(scale.memory()[0x0700], 0x12);
    EXPECT_EQ(scale.memory()[0x0703], 0x78);
    EXPECT_EQ(scale.memory()[0x0704], 0xFF);
}

TEST(ScaleModel, WritesOnlyAfterTheRightUnlockUntilFinish) {
    ScaleModel scale("12345678");
    EXPECT_EQ(only(scale.receive(writePageCommand(0x1000, pageOf(0xAB)))), Bytes{0x0F});
    EXPECT_EQ(only(scale.receive(unlockCommand(packSerial("87654321")))), Bytes{0x0F});
    EXPECT_EQ(only(scale.receive(unlockCommand(packSerial("12345678")))), Bytes{0xF0});
    EXPECT_EQ(only(scale.receive(writePageCommand(0x1000, pageOf(0xAB)))), Bytes{0xF0});
    EXPECT_TRUE(scale.receive(finishCommand()).empty());
    EXPECT_EQ(only(scale.receive(writePageCommand(0x1080, pageOf(0xCD)))), Bytes{0x0F});

    const Bytes reply = only(scale.receive(readPageCommand(0x1000)));
    ASSERT_EQ(reply.size(), 131u);  // the command's 3 bytes, then the page's 128
    EXPECT_EQ(reply[1], 0x10);
    EXPECT_EQ(reply[2], 0x00);
    EXPECT_EQ(Bytes(reply.begin() + 3, reply.end()), pageOf(0xAB));
    EXPECT_EQ(scale.memory()[0x1080], 0xFF);
}

TEST(ScaleModel, CommandsMaySpanSeveralReadsAndNoiseIsSkipped) {
    ScaleModel scale("12345678");
    const Bytes command = readPageCommand(0x0700);
    EXPECT_TRUE(scale.receive(Bytes{0x00, 0x99, command[0]}).empty());
    EXPECT_EQ(only(scale.receive(Bytes{command[1], command[2]})).size(), 131u);
    EXPECT_EQ(scale.counters().noiseBytes, 2u);
    EXPECT_EQ(scale.counters().reads, 1u);
}

TEST(ScaleModel, FaultsShapeTheReplies) {
    ScaleModel scale("12345678");
    scale.addFault(*parseFault("short:read:nth=1").fault);
    scale.addFault(*parseFault("long:read:nth=2").fault);
    scale.addFault(*parseFault("echo:read:nth=3").fault);
    scale.addFault(*parseFault("corrupt:read:nth=4").fault);
    scale.addFault(*parseFault("lose:read:nth=5").fault);
    const Bytes command = readPageCommand(0x0700);
    EXPECT_EQ(only(scale.receive(command)).size(), 130u);
    EXPECT_EQ(only(scale.receive(command)).size(), 135u);
    EXPECT_EQ(only(scale.receive(command))[2], 0x80);
    EXPECT_EQ(only(scale.receive(command))[3], 0x12 ^ 0xFF);
    EXPECT_TRUE(scale.receive(command).empty());
    EXPECT_EQ(only(scale.receive(command)).size(), 131u);
    EXPECT_EQ(scale.memory()[0x0700], 0x12);  // a corrupted reply leaves the memory alone
}

TEST(ScaleModel, CorruptedWriteStoresAChangedByteButIsAcknowledged) {
    ScaleModel scale("12345678");
    scale.addFault(*parseFault("corrupt:write").fault);
    scale.receive(unlockCommand(packSerial("12345678")));
    EXPECT_EQ(only(scale.receive(writePageCommand(0x2000, pageOf(0x11)))), Bytes{0xF0});
    EXPECT_EQ(scale.memory()[0x2000], 0x11 ^ 0xFF);
    EXPECT_EQ(scale.memory()[0x2001], 0x11);
}

TEST(ScaleModel, HangUpSilencesEverythingAfter) {
    ScaleModel scale("12345678");
    scale.addFault(*parseFault("hangup:read:nth=2").fault);
    EXPECT_EQ(scale.receive(readPageCommand(0x0700)).size(), 1u);
    EXPECT_TRUE(scale.receive(readPageCommand(0x0700)).empty());
    EXPECT_TRUE(scale.hungUp());
    EXPECT_TRUE(scale.receive(readPageCommand(0x0700)).empty());
}

TEST(ScaleModel, MemoryGivenIsPaddedToTheFullSize) {
    ScaleModel scale(Bytes{0x01, 0x02});
    EXPECT_EQ(scale.memory().size(), 0x10000u);
    EXPECT_EQ(scale.memory()[1], 0x02);
    EXPECT_EQ(scale.memory()[2], 0xFF);
}

// What the protocol leaves open is the scale's own: byte 0 of a page read differs by default, and
// tails, answers to Finish and replies in pieces come as the variations say, the same for one seed.
TEST(ScaleModel, FillsWhatTheProtocolLeavesOpenAsItsVariationsChoose) {
    ScaleModel plain("12345678");
    std::set<Byte> byteZeros;
    for (int n = 0; n < 16; ++n) {
        const Bytes reply = only(plain.receive(readPageCommand(0x0700)));
        ASSERT_EQ(reply.size(), kReadReplySize);
        byteZeros.insert(reply[0]);
    }
    EXPECT_GT(byteZeros.size(), 1u);
    EXPECT_TRUE(plain.receive(finishCommand()).empty());

    VariationSettings all;
    all.byteZero = 0xF0;
    all.tailEvery = all.finishEvery = all.piecesEvery = 1;
    ScaleModel varied("12345678");
    varied.setVariations(all);
    const std::vector<ScaleReply> read = varied.receive(readPageCommand(0x0700));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].bytes[0], 0xF0);
    EXPECT_GT(read[0].bytes.size(), kReadReplySize);
    EXPECT_LE(read[0].bytes.size(), kReadReplySize + Variations::kLongestTail);
    ASSERT_FALSE(read[0].cuts.empty());
    std::size_t previous = 0;
    for (const ReplyCut& cut : read[0].cuts) {
        EXPECT_GT(cut.at, previous);
        EXPECT_LE(cut.at - previous, Variations::kLargestPiece);
        EXPECT_LE(cut.pause, Variations::kLongestPause);
        previous = cut.at;
    }
    EXPECT_LT(previous, read[0].bytes.size());
    EXPECT_EQ(only(varied.receive(unlockCommand(packSerial("12345678"))))[0], kAck);
    EXPECT_EQ(only(varied.receive(finishCommand()))[0], kAck);

    ScaleModel again("12345678");
    again.setVariations(all);
    EXPECT_EQ(again.receive(readPageCommand(0x0700))[0].bytes, read[0].bytes);
}
