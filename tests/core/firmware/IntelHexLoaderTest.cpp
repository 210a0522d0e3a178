// The update file loader: what a valid file puts into the image, and every refusal, each with the
// line and the reason the user is shown. Fixtures come from tests/fixtures/hex/generate.py.

#include <gtest/gtest.h>

#include <string>

#include "core/firmware/IntelHexLoader.h"

using namespace vantor;
using namespace vantor::firmware;

namespace {

const std::string kFixtures = VANTOR_FIXTURES_DIR "/hex/";

HexLoad loadFixture(const std::string& name) {
    return IntelHexLoader::loadFile(kFixtures + name);
}

ImageBuffer loaded(const std::string& name) {
    HexLoad load = loadFixture(name);
    EXPECT_TRUE(load.image) << name << ": " << load.error.message();
    return load.image.value_or(ImageBuffer());
}

Bytes bytesAt(const ImageBuffer& image, std::size_t address, std::size_t count) {
    return Bytes(image.bytes().begin() + address, image.bytes().begin() + address + count);
}

std::size_t countNotErased(const ImageBuffer& image) {
    return static_cast<std::size_t>(std::count_if(image.bytes().begin(), image.bytes().end(),
                                                  [](Byte b) { return b != ImageBuffer::kErased; }));
}

}  // namespace

TEST(IntelHexLoader, EndRecordAloneGivesAnAllFFImage) {
    const ImageBuffer image = loaded("end-only.hex");
    EXPECT_EQ(countNotErased(image), 0u);
    EXPECT_EQ(image.kind(), ImageKind::None);
}

TEST(IntelHexLoader, DataRecordIsStoredAtItsAddressWithoutItsChecksum) {
    const ImageBuffer image = loaded("one-record.hex");
    EXPECT_EQ(bytesAt(image, 0x002F, 5), (Bytes{0xFF, 0x02, 0x33, 0x7A, 0xFF}));
    EXPECT_EQ(countNotErased(image), 3u);
}

TEST(IntelHexLoader, OverlappingRecordsTheLaterWins) {
    const ImageBuffer image = loaded("overlap.hex");
    EXPECT_EQ(bytesAt(image, 0x0100, 12),
              (Bytes{0x11, 0x11, 0x11, 0x11, 0x22, 0x22, 0x22, 0x22, 0x22, 0x22, 0x22, 0x22}));
}

TEST(IntelHexLoader, KindMarkerAt06FF) {
    EXPECT_EQ(loaded("ldrom-marker.hex").kind(), ImageKind::Ldrom);
    EXPECT_EQ(loaded("sample-update.hex").kind(), ImageKind::Aprom);
}

TEST(IntelHexLoader, SerialNumberReplacesWhatTheFilePutAt0700) {
    ImageBuffer image = loaded("serial-in-file.hex");
    EXPECT_EQ(bytesAt(image, 0x0700, 4), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));  // the file's own bytes
    image.UpdateSN("09120045");
    EXPECT_EQ(bytesAt(image, 0x06FC, 9), (Bytes{0x01, 0x02, 0x03, 0xAA, 0x09, 0x12, 0x00, 0x45, 0x09}));
    image.UpdateSN("");
    EXPECT_EQ(bytesAt(image, 0x0700, 4), (Bytes{0, 0, 0, 0}));
}

TEST(IntelHexLoader, CrLfBlankLinesZeroUpperAddressesAndStartAddresses) {
    const ImageBuffer image = loaded("crlf-blank-lines.hex");
    EXPECT_EQ(bytesAt(image, 0x0010, 4), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(bytesAt(image, 0xFFFC, 4), (Bytes{5, 6, 7, 8}));  // up to the last byte, not past it
    EXPECT_EQ(countNotErased(image), 8u);                       // start addresses put nothing into memory
}

TEST(IntelHexLoader, LineEndsAndTrailingBlanksAsCommonToolsWriteThem) {
    for (const char* text : {":0300300002337A1E \t\n:00000001FF\t\n",        // blanks and tabs before the end
                             ":0300300002337A1E\r:00000001FF\r",             // CR alone
                             ":0300300002337A1E\r\r\n:00000001FF\r\r\n"}) {  // CR CR LF
        const HexLoad load = IntelHexLoader::load(text);
        ASSERT_TRUE(load.image) << load.error.message();
        EXPECT_EQ(bytesAt(*load.image, 0x0030, 3), (Bytes{0x02, 0x33, 0x7A}));
    }
    // Each of these endings ends one line: a fault is named on its own line.
    EXPECT_EQ(IntelHexLoader::load(":0300300002337A1E\r\r\n:0300300002337A\r:00000001FF").error.message(),
              "Line 2: the byte count 03 needs 17 characters, the line has 15.");
}

TEST(IntelHexLoader, ExtendedAddressesInside64KiBMoveTheRecordsAfterThem) {
    const HexLoad load = IntelHexLoader::load(
        ":020000020800F4\n:02001000AABB89\n"  // segment 0800: 8000 + 0010
        ":020000040000FA\n:0100200011CE\n"    // linear 0000: back to 0000 + 0020
        ":00000001FF\n");
    ASSERT_TRUE(load.image) << load.error.message();
    EXPECT_EQ(bytesAt(*load.image, 0x8010, 2), (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(bytesAt(*load.image, 0x0010, 2), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(bytesAt(*load.image, 0x0020, 1), (Bytes{0x11}));
    // An address that no data follows puts nothing anywhere.
    EXPECT_TRUE(IntelHexLoader::load(":020000021000EC\n:00000001FF").image);
}

TEST(IntelHexLoader, LowerCaseDigitsAndAByteOrderMarkAreAccepted) {
    const HexLoad load = IntelHexLoader::load("\xEF\xBB\xBF:0300300002337a1e\n:00000001ff\n");
    ASSERT_TRUE(load.image) << load.error.message();
    EXPECT_EQ(bytesAt(*load.image, 0x0030, 3), (Bytes{0x02, 0x33, 0x7A}));
}

TEST(IntelHexLoader, FullSampleImageFillsEveryByte) {
    const ImageBuffer image = loaded("sample-update.hex");
    EXPECT_EQ(image[0x0000], 0x01);
    EXPECT_EQ(image[0x06FF], 0xAA);
    EXPECT_EQ(image[0xFFFF], static_cast<Byte>((0xFFFF * 7 + 0xFF * 13 + 1) & 0xFF));
}

// Each refused file: the exact message, naming the line and the reason.
struct Refusal {
    const char* fixture;
    const char* message;
};

class IntelHexRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(IntelHexRefusal, GivesNoImageAndSaysWhere) {
    const HexLoad load = loadFixture(GetParam().fixture);
    EXPECT_FALSE(load.image);
    EXPECT_EQ(load.error.message(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, IntelHexRefusal,
    ::testing::Values(
        Refusal{"bad-checksum.hex",
                "Line 812: checksum is 3F, expected 41. The file is damaged: download it again."},
        Refusal{"missing-end.hex", "Line 4: the file ends here without an end record (:00000001FF)."},
        Refusal{"unknown-type.hex", "Line 2: record type 06 is not an Intel HEX record type."},
        Refusal{"beyond-ffff.hex", "Line 1: data at FFF8 with 16 bytes runs past address FFFF."},
        Refusal{"upper-address.hex",
                "Line 2: data at 10000 with 2 bytes runs past address FFFF (extended address 0001, offset "
                "0000)."},
        Refusal{"short-line.hex", "Line 2: the byte count 03 needs 17 characters, the line has 11."},
        Refusal{"non-hex.hex", "Line 2: 'G' at column 12 is not a hex digit."},
        Refusal{
            "html-page.hex",
            "Line 1: a record starts with ':', this line starts with '<': this is a web page, not an update "
            "file. Copy the link of the update file itself, not of the page."},
        Refusal{"empty.hex", "The update file is empty: it holds no Intel HEX records."}),
    [](const auto& info) {
        std::string name = info.param.fixture;
        name = name.substr(0, name.find('.'));
        std::erase(name, '-');
        return name;
    });

TEST(IntelHexLoader, RefusesMalformedRecords) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {":00000001", "Line 1: the record is too short: 9 characters, at least 11 are needed."},
        {"0300300002337A1E\n:00000001FF", "Line 1: a record starts with ':', this line starts with '0'."},
        {" :00000001FF", "Line 1: a record starts with ':', this line starts with a blank."},
        {":03003000\x01"
         "2337A1E\n:00000001FF",
         "Line 1: the byte 01 at column 10 is not a hex digit."},
        {":0300300002337A\n:00000001FF", "Line 1: the byte count 03 needs 17 characters, the line has 15."},
        {":0100000100FE\n", "Line 1: the end record carries data."},
        {":03000004000000F9\n:00000001FF", "Line 1: an extended address record holds 2 bytes, this one 3."},
        {":020000021000EC\n:0100000001FE\n:00000001FF",
         "Line 2: data at 10000 with 1 bytes runs past address FFFF (extended address 1000, offset 0000)."},
        {":020000020800F4\n:097FF80000000000000000000080\n:00000001FF",
         "Line 2: data at FFF8 with 9 bytes runs past address FFFF (extended address 0800, offset 7FF8)."},
        {"\n\n  \n", "The update file is empty: it holds no Intel HEX records."},
    };
    for (const auto& c : cases) {
        const HexLoad load = IntelHexLoader::load(c.text);
        EXPECT_FALSE(load.image) << c.text;
        EXPECT_EQ(load.error.message(), c.message) << c.text;
    }
}

TEST(IntelHexLoader, MissingFileIsNamedInTheMessage) {
    const HexLoad load = IntelHexLoader::loadFile(kFixtures + "no-such-file.hex");
    EXPECT_FALSE(load.image);
    EXPECT_EQ(load.error.message(), "The update file " + kFixtures + "no-such-file.hex is missing.");
    EXPECT_FALSE(IntelHexLoader::loadFile(kFixtures).image);  // a folder is no file either
}
