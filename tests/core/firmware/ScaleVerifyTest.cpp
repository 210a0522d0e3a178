// Checking a scale without writing to it, and what status says of one, against the in-process
// scale: exact sentences, and nothing but page reads on the wire.

#include <gtest/gtest.h>

#include "core/firmware/ScaleStatus.h"
#include "core/firmware/ScaleVerify.h"
#include "core/scale/SerialNumber.h"
#include "support/FakeScaleTransport.h"

using namespace vantor;
using namespace vantor::firmware;
using namespace vantor::scale;

namespace {

const std::atomic<bool> kGoOn{false};

// An update file with code at the start, a byte at 0x2A41, and no tables.
ImageBuffer updateFile() {
    ImageBuffer image;
    for (std::size_t a = 0; a < 0x300; ++a)
        image[a] = static_cast<Byte>(a * 3);
    image[0x2A41] = 0x7E;
    return image;
}

// The scale as the update left it: the file's image with its own serial number.
Bytes updatedMemory() {
    ImageBuffer image = updateFile();
    image.UpdateSN("24681357");
    return Bytes(image.bytes().begin(), image.bytes().end());
}

ScaleCheck verify(Bytes memory, const ImageBuffer& image, const char* fault = nullptr) {
    FakeScaleTransport scale{ScaleModel(std::move(memory))};
    if (fault)
        scale.model().addFault(*parseFault(fault).fault);
    ScaleCheck check = verifyScale(scale, image, {}, kGoOn);
    // Nothing but page reads goes to the scale.
    for (const Bytes& command : scale.sent())
        EXPECT_EQ(command.front(), kReadPage);
    return check;
}

}  // namespace

TEST(ScaleVerify, SaysWhetherTheScaleHoldsTheUpdateFilesImage) {
    EXPECT_EQ(verifyText(verify(updatedMemory(), updateFile())), "matches; zone table and keys: blank");

    // Another byte in two pages; the tables region differs too, but the file brings no tables.
    Bytes changed = updatedMemory();
    changed[0x2A41] = 0x3C;
    changed[0x2A45] = 0x00;
    changed[0x0180] = 0x11;
    changed[0x8300] = 0x01;
    const ScaleCheck differs = verify(changed, updateFile());
    EXPECT_FALSE(differs.matches());
    EXPECT_EQ(verifyText(differs),
              "2 pages differ; first at 0x0180: scale 11, update file 80; zone table and "
              "keys: programmed");

    // A file with tables of its own has them compared.
    ImageBuffer withTables = updateFile();
    withTables[0x8300] = 0x02;
    Bytes keyed = updatedMemory();
    keyed[0x8300] = 0x01;
    EXPECT_EQ(verifyText(verify(keyed, withTables)),
              "1 page differs; first at 0x8300: scale 01, update file 02");
}

TEST(ScaleVerify, ASilentScaleOrAPageThatDoesNotComeBackIsNoMatch) {
    const ScaleCheck silent = verify(updatedMemory(), updateFile(), "lose:any");
    EXPECT_FALSE(silent.matches());
    EXPECT_EQ(verifyText(silent), "The scale did not give its serial number; nothing was written.");

    const ScaleCheck stopped = verify(updatedMemory(), updateFile(), "echo:read:addr=0x2A80");
    EXPECT_FALSE(stopped.matches());
    EXPECT_EQ(stopped.read.serial, "24681357");
    EXPECT_EQ(verifyText(stopped),
              "The scale's reply to the read of page 2A80 did not fit; 85 of 512 pages were read.");
}

// A byte changed on the line is no difference of the scale's: the page is read until two reads agree.
TEST(ScaleVerify, APageThatDiffersIsReadAgainBeforeItIsReported) {
    EXPECT_EQ(verifyText(verify(updatedMemory(), updateFile(), "corrupt:read:addr=0x0100:nth=1")),
              "matches; zone table and keys: blank");

    Bytes changed = updatedMemory();
    changed[0x0180] = 0x11;
    FakeScaleTransport scale{ScaleModel(changed)};
    const ScaleCheck differs = verifyScale(scale, updateFile(), {}, kGoOn);
    EXPECT_EQ(differs.difference.pages, 1u);
    EXPECT_EQ(scale.model().counters().reads, 1u + 512u + 2u);  // serial number, pages, two more of 0180
}

TEST(ScaleStatus, TellsTheTablesAndTheLastUpdate) {
    Bytes region(0x1200, 0xFF);
    region[0x8580 - 0x8000] = 0x00;  // key 2's first weight
    region[0x8D00 - 0x8000] = 0x00;  // key 5
    region[0x8FFF - 0x8000] = 0x00;  // key 6, but not its first byte: the key check says blank
    TablesState state = tablesState(region);
    EXPECT_FALSE(state.zoneTable);
    HistoryRecord last;
    last.time = "2026-12-08T13:06:33+01:00";
    last.ok = true;
    last.result = "All 512 pages were written and verified.";
    EXPECT_EQ(statusText("/dev/ttyUSB0", "24681357", state, last),
              "/dev/ttyUSB0 24681357\n"
              "  zone table: blank\n"
              "  keys: 1 blank, 2 programmed, 3 blank, 4 blank, 5 programmed, 6 blank\n"
              "  last update: 2026-12-08 13:06:33, ok: All 512 pages were written and verified.\n");
    region[0x82FF - 0x8000] = 0x05;
    EXPECT_TRUE(tablesState(region).zoneTable);
    EXPECT_EQ(statusText("p", "1", {}, std::nullopt),
              "p 1\n  zone table: blank\n  keys: 1 blank, 2 blank, 3 "
              "blank, 4 blank, 5 blank, 6 blank\n  last update: none "
              "in the history\n");
}
