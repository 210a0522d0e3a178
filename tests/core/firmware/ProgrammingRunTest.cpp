// The whole-image run against the in-process scale: the exact commands on the wire, the scale's
// memory afterwards, and every retry rule with its bound. The fake scale's clock is manual, so a
// 10-second time-out costs nothing and its length can still be checked.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <thread>

#include "core/firmware/ProgrammingRun.h"
#include "support/FakeScaleTransport.h"

using namespace std::chrono_literals;
using namespace vantor;
using namespace vantor::firmware;
using namespace vantor::scale;

namespace {

constexpr std::uint32_t kPage5 = 5 * 0x80;
constexpr std::uint32_t kPage7 = 7 * 0x80;
constexpr std::uint32_t kPage300 = 300 * 0x80;

// A pattern unlike the scale's erased memory, with the scale's serial number in its place.
ImageBuffer patternImage(std::string_view serial = "12345678") {
    ImageBuffer image;
    for (std::size_t a = 0; a < ImageBuffer::kSize; ++a)
        image[a] = static_cast<Byte>(a * 7 + (a >> 8));
    image.UpdateSN(serial);
    return image;
}

FakeScaleTransport scaleWith(std::initializer_list<const char*> faults,
                             std::string_view serial = "12345678") {
    FakeScaleTransport scale{ScaleModel(serial)};
    for (const char* fault : faults)
        scale.model().addFault(*parseFault(fault).fault);
    return scale;
}

// The run's progress as one count: pages written (0..511), then 512 plus the pages verified.
int units(const Progress& progress) {
    return static_cast<int>(progress.done) + (progress.phase == Phase::Verify ? 512 : 0);
}

struct RunRecord {
    OperationResult result;
    std::vector<int> progress;
};

RunRecord runOn(FakeScaleTransport& scale, const ImageBuffer& image, const std::atomic<bool>& cancel = {}) {
    RunRecord run;
    run.result = ProgramAllPages(
        scale, image, [&](const Progress& progress) { run.progress.push_back(units(progress)); }, cancel);
    return run;
}

std::vector<int> range(int from, int to) {
    std::vector<int> values(static_cast<std::size_t>(to - from));
    std::iota(values.begin(), values.end(), from);
    return values;
}

std::vector<int> joined(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The commands sent, one letter each (U unlock, W write, R read, F finish), with the pages of the
// writes and reads.
struct Wire {
    std::string kinds;
    std::vector<std::uint32_t> writes;
    std::vector<std::uint32_t> reads;
};

Wire wireOf(const FakeScaleTransport& scale) {
    Wire wire;
    for (const Bytes& command : scale.sent()) {
        switch (command[0]) {
            case kUnlock:
                wire.kinds += 'U';
                break;
            case kWritePage:
                wire.kinds += 'W';
                wire.writes.push_back(command[1] << 8 | command[2]);
                break;
            case kReadPage:
                wire.kinds += 'R';
                wire.reads.push_back(command[1] << 8 | command[2]);
                break;
            case kFinish:
                wire.kinds += 'F';
                break;
            default:
                wire.kinds += '?';
        }
    }
    return wire;
}

std::vector<std::uint32_t> allPages() {
    std::vector<std::uint32_t> pages;
    for (std::uint32_t a = 0; a < 0x10000; a += 0x80)
        pages.push_back(a);
    return pages;
}

std::string repeated(char kind, std::size_t times) {
    return std::string(times, kind);
}

}  // namespace

TEST(ProgramAllPages, CleanRunWritesEveryPageInOrderVerifiesItAndFinishesOnce) {
    FakeScaleTransport scale = scaleWith({});
    const ImageBuffer image = patternImage();
    const RunRecord run = runOn(scale, image);

    EXPECT_EQ(run.result.outcome, Outcome::Success);
    EXPECT_TRUE(std::equal(image.bytes().begin(), image.bytes().end(), scale.model().memory().begin()));
    const Wire wire = wireOf(scale);
    EXPECT_EQ(wire.kinds, "U" + repeated('W', 512) + repeated('R', 512) + "F");
    EXPECT_EQ(scale.sent().front(), (Bytes{0x1E, 0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(wire.writes, allPages());
    EXPECT_EQ(wire.reads, allPages());
    EXPECT_EQ(scale.sent()[1].size(), 131u);
    EXPECT_EQ(run.progress, range(0, 1024));
    EXPECT_FALSE(scale.model().unlocked());  // Finish reached the scale
}

TEST(ProgramAllPages, LostWriteAcknowledgementRestartsFromTheUnlockAndAddressZero) {
    FakeScaleTransport scale = scaleWith({"lose:write:nth=200"});
    const ImageBuffer image = patternImage();
    const RunRecord run = runOn(scale, image);

    EXPECT_EQ(run.result.outcome, Outcome::Success);
    EXPECT_EQ(run.result.restarts, 1u);
    EXPECT_EQ(wireOf(scale).kinds,
              "U" + repeated('W', 200) + "U" + repeated('W', 512) + repeated('R', 512) + "F");
    EXPECT_EQ(wireOf(scale).writes[200], 0u);
    EXPECT_TRUE(std::equal(image.bytes().begin(), image.bytes().end(), scale.model().memory().begin()));
    EXPECT_EQ(run.progress, joined({range(0, 200), range(0, 1024)}));
    EXPECT_GE(scale.now(), 10s);  // the lost acknowledgement was awaited for the full limit
    EXPECT_LT(scale.now(), 11s);
}

TEST(ProgramAllPages, VerifyReadsAPageAgainAfterADifferenceOrATimeOut) {
    FakeScaleTransport scale =
        scaleWith({"corrupt:read:addr=0x0280:count=1", "lose:read:addr=0x9600:count=1"});
    const RunRecord run = runOn(scale, patternImage());

    EXPECT_EQ(run.result.outcome, Outcome::Success);
    const Wire wire = wireOf(scale);
    EXPECT_EQ(wire.kinds, "U" + repeated('W', 512) + repeated('R', 514) + "F");
    EXPECT_EQ(std::count(wire.reads.begin(), wire.reads.end(), kPage5), 2);
    EXPECT_EQ(std::count(wire.reads.begin(), wire.reads.end(), kPage300), 2);
    EXPECT_EQ(run.progress, range(0, 1024));
}

TEST(ProgramAllPages, VerifyToleratesThreeFailuresInAllAndFailsAtTheFourth) {
    FakeScaleTransport three =
        scaleWith({"corrupt:read:addr=0x0280:count=2", "echo:read:addr=0xFF80:count=1"});
    EXPECT_EQ(runOn(three, patternImage()).result.outcome, Outcome::Success);

    FakeScaleTransport four =
        scaleWith({"corrupt:read:addr=0x0280:count=1", "lose:read:addr=0x9600:count=1",
                   "echo:read:addr=0xA000:count=1", "corrupt:read:addr=0xFF80:count=1"});
    const RunRecord run = runOn(four, patternImage());
    EXPECT_EQ(run.result.stage, Stage::ReadBack);
    EXPECT_EQ(run.result.outcome, Outcome::Mismatch);
    EXPECT_EQ(run.result.page, 0xFF80u);
    EXPECT_EQ(run.result.pagesDone, 512u);
    EXPECT_EQ(run.result.pagesTotal, 512u);
    EXPECT_EQ(wireOf(four).kinds.back(), 'R');  // no Finish after a failed verify
}

TEST(ProgramAllPages, FourRefusedUnlocksMeanSerialNumberWrongAndNothingWritten) {
    FakeScaleTransport scale = scaleWith({}, "87654321");
    const Bytes before = scale.model().memory();
    const RunRecord run = runOn(scale, patternImage("12345678"));

    EXPECT_TRUE(run.result.unlockRefused());
    EXPECT_EQ(run.result.stage, Stage::Unlock);
    EXPECT_EQ(wireOf(scale).kinds, "UUUU");
    EXPECT_EQ(scale.model().memory(), before);
    EXPECT_EQ(run.progress, (std::vector<int>{0}));

    FakeScaleTransport hesitant = scaleWith({"refuse:unlock:count=3"});
    EXPECT_EQ(runOn(hesitant, patternImage()).result.outcome, Outcome::Success);
    EXPECT_EQ(wireOf(hesitant).kinds.substr(0, 5), "UUUUW");
}

TEST(ProgramAllPages, SilentUnlockFourTimesIsACommunicationFailure) {
    FakeScaleTransport scale = scaleWith({"lose:unlock"});
    const RunRecord run = runOn(scale, patternImage());
    EXPECT_EQ(run.result.stage, Stage::Unlock);
    EXPECT_EQ(run.result.outcome, Outcome::NoReply);
    EXPECT_EQ(wireOf(scale).kinds, "UUUU");
    EXPECT_GE(scale.now(), 40s);
    EXPECT_LT(scale.now(), 41s);
}

TEST(ProgramAllPages, WriteAndUnlockFailuresCountTogetherSinceTheLastAcknowledgedUnlock) {
    // Write 3 is lost (1), then three refused unlocks (2, 3, 4): the fourth is a refusal.
    FakeScaleTransport scale = scaleWith({"lose:write:nth=3", "refuse:unlock:nth=2:count=3"});
    const RunRecord run = runOn(scale, patternImage());
    EXPECT_TRUE(run.result.unlockRefused());
    EXPECT_EQ(wireOf(scale).kinds, "UWWWUUU");

    // The count of pages written is the furthest any attempt came, not the last attempt's none.
    FakeScaleTransport later = scaleWith({"refuse:write:nth=100", "refuse:unlock:nth=2:count=10"});
    const RunRecord refused = runOn(later, patternImage());
    EXPECT_TRUE(refused.result.unlockRefused());
    EXPECT_EQ(refused.result.pagesDone, 99u);
}

TEST(ProgramAllPages, PageThatIsNeverAcknowledgedEndsTheRunAfterFiveRestarts) {
    FakeScaleTransport scale = scaleWith({"lose:write:addr=0x0380"});
    const RunRecord run = runOn(scale, patternImage());
    EXPECT_EQ(run.result.stage, Stage::Write);
    EXPECT_EQ(run.result.outcome, Outcome::NoReply);
    EXPECT_EQ(run.result.page, kPage7);
    EXPECT_EQ(run.result.restarts, 5u);
    EXPECT_EQ(run.result.pagesDone, 7u);
    EXPECT_EQ(run.result.pagesTotal, 512u);
    std::string attempt = "U" + repeated('W', 8);
    std::string sixAttempts;
    for (int i = 0; i < 6; ++i)
        sixAttempts += attempt;
    EXPECT_EQ(wireOf(scale).kinds, sixAttempts);

    FakeScaleTransport refusing = scaleWith({"refuse:write:addr=0x0380"});
    const RunRecord refused = runOn(refusing, patternImage());
    EXPECT_EQ(refused.result.outcome, Outcome::Refused);
    EXPECT_EQ(refused.result.restarts, 5u);
    EXPECT_LT(refusing.now(), 1s);  // refusals are answers: nothing was waited for
}

TEST(ProgramAllPages, ScaleUnpluggedMidRunFailsWithoutWaiting) {
    FakeScaleTransport scale = scaleWith({"hangup:write:nth=100"});
    const RunRecord run = runOn(scale, patternImage());
    EXPECT_EQ(run.result.stage, Stage::Unlock);
    EXPECT_EQ(run.result.outcome, Outcome::PortFailed);
    EXPECT_EQ(wireOf(scale).kinds, "U" + repeated('W', 100));
    EXPECT_LT(scale.now(), 1s);
}

TEST(ProgramAllPages, LongRepliesAreReadUpToThePage) {
    FakeScaleTransport scale = scaleWith({"long:read", "long:write", "long:unlock"});
    EXPECT_EQ(runOn(scale, patternImage()).result.outcome, Outcome::Success);
    EXPECT_EQ(wireOf(scale).kinds.size(), 1u + 512 + 512 + 1);
}

TEST(ProgramAllPages, StopsPromptlyWhenCancelledAndReportsNoFailure) {
    FakeScaleTransport scale = scaleWith({});
    std::atomic<bool> cancel{false};
    std::vector<int> progress;
    const OperationResult result = ProgramAllPages(
        scale, patternImage(),
        [&](const Progress& report) {
            progress.push_back(units(report));
            if (units(report) == 600)
                cancel = true;
        },
        cancel);
    EXPECT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_EQ(wireOf(scale).kinds, "U" + repeated('W', 512) + repeated('R', 88));
    EXPECT_EQ(progress.back(), 600);
    // Stopped while reading back: no page was being written.
    EXPECT_EQ(describe(result), "Stopped after 512 of 512 pages.");
}

TEST(ProgramWithCheckedSerial, PacksTheNumberTheScaleGivesIntoTheImage) {
    FakeScaleTransport scale = scaleWith({}, "24681357");
    const ScaleProgramming programming = programWithCheckedSerial(scale, patternImage("00000000"), {}, {});
    EXPECT_EQ(programming.result.serial, "24681357");
    EXPECT_EQ(programming.result.outcome, Outcome::Success);
    EXPECT_EQ(Bytes(scale.model().memory().begin() + 0x0700, scale.model().memory().begin() + 0x0704),
              (Bytes{0x24, 0x68, 0x13, 0x57}));
    EXPECT_EQ(wireOf(scale).kinds.substr(0, 2), "RU");
}

// No serial number means nothing to unlock with: a communication failure, not a wrong number.
TEST(ProgramWithCheckedSerial, SerialNumberReadThatGivesNoNumberFailsBeforeTheUnlock) {
    for (const char* fault : {"lose:read:nth=1", "corrupt:read:nth=1", "short:read:nth=1"}) {
        FakeScaleTransport scale = scaleWith({fault}, "24681357");
        const ScaleProgramming programming = programWithCheckedSerial(scale, patternImage(), {}, {});
        EXPECT_FALSE(programming.scaleCom()) << fault;
        EXPECT_EQ(programming.result.stage, Stage::SerialRead) << fault;
        EXPECT_EQ(programming.result.outcome, Outcome::NoReply) << fault;
        EXPECT_EQ(programming.result.pagesDone, 0u) << fault;
        EXPECT_EQ(wireOf(scale).kinds, "R") << fault;
    }
}

namespace {

// Runs the program on its own thread, as the scale worker does, with the gate paused once the
// run's progress first reaches `pauseAt` (see units()); returns once the run is held there.
struct HeldRun {
    HeldRun(FakeScaleTransport& scale, const ImageBuffer& image, int pauseAt)
        : thread([&, pauseAt] {
              result = ProgramAllPages(
                  scale, image,
                  [&](const Progress& progress) {
                      if (units(progress) == pauseAt)
                          gate.pause();
                  },
                  cancel, &gate);
          }) {
        while (!gate.holding())
            std::this_thread::yield();
    }
    ~HeldRun() {
        gate.release();
        if (thread.joinable())
            thread.join();
    }
    PauseGate gate;
    std::atomic<bool> cancel{false};
    OperationResult result;
    std::thread thread;
};

}  // namespace

TEST(ProgramAllPages, PausedItHoldsBetweenTwoExchangesAndGoesOnFromThereWhenResumed) {
    FakeScaleTransport scale = scaleWith({});
    const ImageBuffer image = patternImage();
    HeldRun run(scale, image, 6);
    // The unlock and the writes of pages 0x0000..0x02FF went out, each answered; the next waits.
    const std::size_t sentWhenHeld = scale.sent().size();
    EXPECT_EQ(sentWhenHeld, 1u + 6u);
    EXPECT_EQ(scale.now(), FakeScaleTransport::Clock{}) << "no time limit ran while held";

    run.gate.resume();
    run.thread.join();
    EXPECT_EQ(run.result.outcome, Outcome::Success);
    EXPECT_EQ(wireOf(scale).kinds, "U" + repeated('W', 512) + repeated('R', 512) + "F");
}

TEST(ProgramAllPages, ReleasedWhileHeldForTheProgramsEndItSendsNothingMore) {
    FakeScaleTransport scale = scaleWith({});
    const ImageBuffer image = patternImage();
    HeldRun run(scale, image, 600);
    const std::size_t sentWhenHeld = scale.sent().size();
    run.cancel = true;
    run.gate.release();
    run.thread.join();
    EXPECT_EQ(run.result.outcome, Outcome::Cancelled);
    EXPECT_EQ(scale.sent().size(), sentWhenHeld);
}
