// The page write and the key check against the in-process scale: the exact exchanges, the four
// tries of each stage with the counter starting again after each acknowledged stage, and Finish
// only after success. The clock is manual, so the 2- and 4-second limits cost nothing.

#include <gtest/gtest.h>

#include <algorithm>

#include "core/scale/PageWrite.h"
#include "support/FakeScaleTransport.h"

using namespace std::chrono_literals;
using namespace vantor;
using namespace vantor::scale;

namespace {

constexpr std::uint16_t kKey1 = 0x8300;
const SerialBytes kSerial{0x12, 0x34, 0x56, 0x78};

Bytes pattern() {
    Bytes page(kPageSize);
    for (std::size_t i = 0; i < page.size(); ++i)
        page[i] = static_cast<Byte>(i * 3 + 1);
    return page;
}

FakeScaleTransport scaleWith(std::initializer_list<const char*> faults,
                             ScaleModel model = ScaleModel("12345678")) {
    FakeScaleTransport scale(std::move(model));
    for (const char* fault : faults)
        scale.model().addFault(*parseFault(fault).fault);
    return scale;
}

std::size_t countOf(const FakeScaleTransport& scale, Byte opcode) {
    return static_cast<std::size_t>(std::count_if(scale.sent().begin(), scale.sent().end(),
                                                  [&](const Bytes& c) { return c.front() == opcode; }));
}

Bytes memoryAt(FakeScaleTransport& scale, std::uint16_t address) {
    const Bytes& memory = scale.model().memory();
    return Bytes(memory.begin() + address, memory.begin() + address + kPageSize);
}

// Memory as a fresh scale has it, with `first` and `rest` at the start of key 1's block.
ScaleModel memoryWithKey1(Byte first, Byte rest) {
    ScaleModel fresh("12345678");
    Bytes memory = fresh.memory();
    std::fill(memory.begin() + kKey1, memory.begin() + kKey1 + kPageSize, rest);
    memory[kKey1] = first;
    return ScaleModel(std::move(memory));
}

}  // namespace

TEST(ProgrammingOnePage, WritesReadsBackAndFinishesWithExactCommands) {
    FakeScaleTransport scale = scaleWith({});
    const Bytes page = pattern();
    const OperationResult result = ProgrammingOnePage(scale, 0x8380, page, kSerial);

    EXPECT_TRUE(result.succeeded());
    ASSERT_EQ(scale.sent().size(), 4u);
    EXPECT_EQ(scale.sent()[0], (Bytes{0x1E, 0x12, 0x34, 0x56, 0x78}));
    Bytes write{0xC3, 0x83, 0x80};
    write.insert(write.end(), page.begin(), page.end());
    EXPECT_EQ(scale.sent()[1], write);
    EXPECT_EQ(scale.sent()[2], (Bytes{0xB4, 0x83, 0x80}));
    EXPECT_EQ(scale.sent()[3], (Bytes{0x4B}));
    EXPECT_EQ(memoryAt(scale, 0x8380), page);
    EXPECT_FALSE(scale.model().unlocked());
}

TEST(ProgrammingOnePage, CounterStartsAgainAfterEachAcknowledgedStage) {
    // Two unlock time-outs, then three write time-outs, then three bad read-backs: each stage is
    // within its own four tries, so the page is written.
    FakeScaleTransport scale =
        scaleWith({"lose:unlock:count=2", "lose:write:count=3", "corrupt:read:count=3"});
    const Bytes page = pattern();
    EXPECT_TRUE(ProgrammingOnePage(scale, kKey1, page, kSerial).succeeded());
    EXPECT_EQ(countOf(scale, kUnlock), 3u);
    EXPECT_EQ(countOf(scale, kWritePage), 4u);
    EXPECT_EQ(countOf(scale, kReadPage), 4u);
    EXPECT_EQ(countOf(scale, kFinish), 1u);
    EXPECT_EQ(memoryAt(scale, kKey1), page);
    // Two unlock limits and three write limits of 2 s each passed.
    EXPECT_GE(scale.now(), 10s);
    EXPECT_LT(scale.now(), 11s);
}

TEST(ProgrammingOnePage, WrongAddressEchoLeadsToAnotherReadNotAnotherWrite) {
    FakeScaleTransport scale = scaleWith({"echo:read:nth=1"});
    EXPECT_TRUE(ProgrammingOnePage(scale, kKey1, pattern(), kSerial).succeeded());
    EXPECT_EQ(countOf(scale, kWritePage), 1u);
    EXPECT_EQ(countOf(scale, kReadPage), 2u);
}

TEST(ProgrammingOnePage, FourFailuresOfAStageEndItWithoutFinish) {
    struct Case {
        const char* fault;
        Stage stage;
        Outcome outcome;
        std::size_t writes;
    };
    for (const Case& c : {Case{"refuse:unlock", Stage::Unlock, Outcome::Refused, 0},
                          Case{"lose:unlock", Stage::Unlock, Outcome::NoReply, 0},
                          Case{"refuse:write", Stage::Write, Outcome::Refused, 4},
                          Case{"lose:write", Stage::Write, Outcome::NoReply, 4},
                          Case{"corrupt:read", Stage::ReadBack, Outcome::Mismatch, 1},
                          Case{"lose:read", Stage::ReadBack, Outcome::NoReply, 1},
                          Case{"hangup:write", Stage::Write, Outcome::PortFailed, 1}}) {
        SCOPED_TRACE(c.fault);
        FakeScaleTransport scale = scaleWith({c.fault});
        const OperationResult result = ProgrammingOnePage(scale, kKey1, pattern(), kSerial);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.stage, c.stage);
        EXPECT_EQ(result.page, kKey1);
        EXPECT_EQ(countOf(scale, kWritePage), c.writes);
        EXPECT_EQ(countOf(scale, kFinish), 0u);
        const Byte failedOpcode = c.stage == Stage::Unlock  ? kUnlock
                                  : c.stage == Stage::Write ? kWritePage
                                                            : kReadPage;
        if (c.outcome != Outcome::PortFailed) {
            EXPECT_EQ(countOf(scale, failedOpcode), 4u);
        }
    }
}

TEST(ProgrammingOnePage, TimeLimitsAreTwoTwoAndFourSeconds) {
    FakeScaleTransport lateUnlock = scaleWith({"delay:unlock:ms=1900"});
    EXPECT_TRUE(ProgrammingOnePage(lateUnlock, kKey1, pattern(), kSerial).succeeded());
    FakeScaleTransport tooLateUnlock = scaleWith({"delay:unlock:ms=2100:nth=1"});
    EXPECT_TRUE(ProgrammingOnePage(tooLateUnlock, kKey1, pattern(), kSerial).succeeded());
    EXPECT_EQ(countOf(tooLateUnlock, kUnlock), 2u);

    FakeScaleTransport lateRead = scaleWith({"delay:read:ms=3900"});
    EXPECT_TRUE(ProgrammingOnePage(lateRead, kKey1, pattern(), kSerial).succeeded());
    EXPECT_EQ(countOf(lateRead, kReadPage), 1u);

    FakeScaleTransport silent = scaleWith({"lose:unlock"});
    ProgrammingOnePage(silent, kKey1, pattern(), kSerial);
    EXPECT_GE(silent.now(), 8s);
    EXPECT_LT(silent.now(), 9s);
}

TEST(ProgrammingOnePage, LastFailureDecidesWhetherTheStageTimedOut) {
    FakeScaleTransport refusedLast = scaleWith({"lose:unlock:count=3", "refuse:unlock:nth=4"});
    EXPECT_EQ(ProgrammingOnePage(refusedLast, kKey1, pattern(), kSerial).outcome, Outcome::Refused);
    FakeScaleTransport silentLast = scaleWith({"refuse:unlock:count=3", "lose:unlock:nth=4"});
    EXPECT_EQ(ProgrammingOnePage(silentLast, kKey1, pattern(), kSerial).outcome, Outcome::NoReply);
}

TEST(ProgrammingOnePage, WrongSerialNumberIsRefusedAtTheUnlock) {
    FakeScaleTransport scale = scaleWith({});
    const OperationResult result = ProgrammingOnePage(scale, kKey1, pattern(), {0x87, 0x65, 0x43, 0x21});
    EXPECT_TRUE(result.unlockRefused());
    EXPECT_EQ(memoryAt(scale, kKey1), Bytes(kPageSize, 0xFF));
}

TEST(ProgrammingOnePage, PageOfAnotherSizeSendsNothing) {
    FakeScaleTransport scale = scaleWith({});
    EXPECT_FALSE(ProgrammingOnePage(scale, kKey1, Bytes(127, 0), kSerial).succeeded());
    EXPECT_FALSE(ProgrammingOnePage(scale, kKey1, Bytes(129, 0), kSerial).succeeded());
    EXPECT_TRUE(scale.sent().empty());
}

TEST(CheckKeyProgrammed, FirstStoredByteDecides) {
    FakeScaleTransport used = scaleWith({}, memoryWithKey1(0xFE, 0xFF));
    KeyCheckResult check = CheckKeyProgrammed(used, kKey1, kSerial);
    EXPECT_TRUE(check.programmed);
    EXPECT_TRUE(check.answered());

    FakeScaleTransport blankStart = scaleWith({}, memoryWithKey1(0xFF, 0x00));
    check = CheckKeyProgrammed(blankStart, kKey1, kSerial);
    EXPECT_FALSE(check.programmed);
    EXPECT_TRUE(check.answered());
    ASSERT_EQ(blankStart.sent().size(), 3u);
    EXPECT_EQ(blankStart.sent()[0], (Bytes{0x1E, 0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(blankStart.sent()[1], (Bytes{0xB4, 0x83, 0x00}));
    EXPECT_EQ(blankStart.sent()[2], (Bytes{0x4B}));
}

TEST(CheckKeyProgrammed, SilentScaleIsNotAnsweredAndGetsNoFinish) {
    FakeScaleTransport silent = scaleWith({"lose:read"}, memoryWithKey1(0x00, 0x00));
    const KeyCheckResult check = CheckKeyProgrammed(silent, kKey1, kSerial);
    EXPECT_FALSE(check.programmed);
    EXPECT_FALSE(check.answered());
    EXPECT_EQ(check.exchange.stage, Stage::ReadBack);
    EXPECT_EQ(check.exchange.outcome, Outcome::NoReply);
    EXPECT_EQ(countOf(silent, kReadPage), 4u);
    EXPECT_EQ(countOf(silent, kFinish), 0u);
    EXPECT_GE(silent.now(), 16s);

    FakeScaleTransport refusing = scaleWith({"refuse:unlock"});
    const KeyCheckResult refused = CheckKeyProgrammed(refusing, kKey1, kSerial);
    EXPECT_TRUE(refused.exchange.unlockRefused());
    EXPECT_EQ(countOf(refusing, kReadPage), 0u);
}

TEST(CheckKeyProgrammed, ReplyForAnotherPageIsReadAgain) {
    FakeScaleTransport scale = scaleWith({"echo:read:nth=1"}, memoryWithKey1(0x01, 0x00));
    const KeyCheckResult check = CheckKeyProgrammed(scale, kKey1, kSerial);
    EXPECT_TRUE(check.programmed);
    EXPECT_EQ(countOf(scale, kReadPage), 2u);
}
