// One detection round over several ports: which answer wins, when an answer is whole, and how a
// round with no scale ends (refused ports and their access hint included).

#include <gtest/gtest.h>

#include "core/scale/DetectionRound.h"
#include "core/scale/ScaleProtocol.h"

using namespace vantor;
using namespace vantor::scale;

namespace {

Bytes pageReply(std::initializer_list<Byte> serial) {
    Bytes reply{kReadPage, 0x07, 0x00};
    reply.insert(reply.end(), serial);
    reply.resize(kReadReplySize, 0xFF);
    return reply;
}

}  // namespace

TEST(DetectionRound, TheFirstScaleInPortOrderWinsOnceThePortsBeforeItHaveSettled) {
    DetectionRound round({"/dev/a", "/dev/b", "/dev/c", "/dev/d"});
    EXPECT_FALSE(round.finished());
    round.bytesArrived(2, pageReply({0x12, 0x34, 0x56, 0x78}));
    EXPECT_FALSE(round.finished());  // a and b may still answer
    round.portLost(0);
    round.bytesArrived(1, pageReply({0xAB, 0x34, 0x56, 0x78}));  // an answer that is no serial number
    ASSERT_TRUE(round.finished());                               // d, after c, is not waited for
    EXPECT_EQ(round.result().port, "/dev/c");
    EXPECT_EQ(round.result().serial, "12345678");
}

TEST(DetectionRound, AnswersArrivingTogetherGoToTheLowestPort) {
    DetectionRound round({"/dev/a", "/dev/b", "/dev/c"});
    round.bytesArrived(2, pageReply({0x11, 0x11, 0x11, 0x11}));
    round.bytesArrived(1, pageReply({0x22, 0x22, 0x22, 0x22}));
    EXPECT_EQ(round.result().port, "/dev/b");
    EXPECT_EQ(round.result().serial, "22222222");
}

TEST(DetectionRound, AnswerIsCompleteOnlyWithAWholePageReply) {
    DetectionRound round({"/dev/a"});
    const Bytes reply = pageReply({0x12, 0x34, 0x56, 0x78});
    round.bytesArrived(0, std::span(reply).first(130));
    EXPECT_FALSE(round.finished());
    round.bytesArrived(0, std::span(reply).subspan(130));
    EXPECT_TRUE(round.result().found());
}

TEST(DetectionRound, GarbledAnswersAndRefusedPortsEndWithoutAScale) {
    DetectionRound round({"/dev/a", "/dev/b", "/dev/c"});
    round.bytesArrived(0, pageReply({0xFF, 0xFF, 0xFF, 0xFF}));  // a blank page: not a serial number
    round.portRefused(1, PortProblem::PermissionDenied, "Permission denied");
    EXPECT_FALSE(round.finished());
    round.portLost(2);
    ASSERT_TRUE(round.finished());
    const DetectionResult result = round.result();
    EXPECT_FALSE(result.found());
    ASSERT_EQ(result.refused.size(), 1u);
    EXPECT_EQ(result.refused[0].port, "/dev/b");
    // The system's own words for what to do come from the caller.
    EXPECT_EQ(accessHint(result, "ask the owner."), "Access to /dev/b was denied: ask the owner.");
}

TEST(DetectionRound, NoHintWithoutAPermissionProblem) {
    DetectionRound round({"/dev/a"});
    round.portRefused(0, PortProblem::NotFound, "No such file or directory");
    EXPECT_TRUE(round.finished());
    EXPECT_EQ(accessHint(round.result(), "ask the owner."), "");
}

TEST(DetectionRound, APortHeldByAnotherProgramIsSaidToBeInUse) {
    DetectionRound round({"COM3"});
    round.portRefused(0, PortProblem::Busy, kPortBusy);
    EXPECT_EQ(accessHint(round.result(), "ask the owner."),
              "COM3 is in use by another program: close that program, then try again.");
}

TEST(DetectionRound, EmptyListFinishesAtOnce) {
    DetectionRound round({});
    EXPECT_TRUE(round.finished());
    EXPECT_FALSE(round.result().found());
}

TEST(DetectionRound, EveryScaleWaitsForEveryPortAndListsTheScalesInPortOrder) {
    DetectionRound round({"/dev/a", "/dev/b", "/dev/c", "/dev/d"}, DetectionGoal::EveryScale);
    round.bytesArrived(2, pageReply({0x33, 0x33, 0x33, 0x33}));
    EXPECT_FALSE(round.finished());  // the other ports may still answer
    round.bytesArrived(0, pageReply({0x11, 0x11, 0x11, 0x11}));
    round.bytesArrived(3, pageReply({0x1A, 0x2B, 0x3C, 0x4D}));  // an answer that is no serial number
    round.portLost(1);
    ASSERT_TRUE(round.finished());
    const DetectionResult result = round.result();
    ASSERT_EQ(result.scales.size(), 2u);
    EXPECT_EQ(result.scales[0].port, "/dev/a");
    EXPECT_EQ(result.scales[0].serial, "11111111");
    EXPECT_EQ(result.scales[1].port, "/dev/c");
    EXPECT_EQ(result.scales[1].serial, "33333333");
    EXPECT_EQ(result.port, "/dev/a");
}
