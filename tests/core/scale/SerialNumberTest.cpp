// The serial number: which texts are one, how it is packed into the unlock and the image.

#include <gtest/gtest.h>

#include "core/scale/SerialNumber.h"

using namespace vantor;
using namespace vantor::scale;

TEST(CheckSerial, AcceptsExactlyEightDecimalDigits) {
    EXPECT_TRUE(CheckSerial("12345678"));
    EXPECT_TRUE(CheckSerial("00000000"));
    EXPECT_FALSE(CheckSerial("1234567"));    // seven digits
    EXPECT_FALSE(CheckSerial("123456789"));  // nine
    EXPECT_FALSE(CheckSerial("1234A678"));   // a letter
    EXPECT_FALSE(CheckSerial("1234 678"));
    EXPECT_FALSE(CheckSerial(""));
    EXPECT_FALSE(
        CheckSerial(std::string("1234\0"
                                "678",
                                8)));
}

TEST(PackSerial, TwoDigitsPerByteHighNibbleFirst) {
    EXPECT_EQ(packSerial("12345678"), (SerialBytes{0x12, 0x34, 0x56, 0x78}));
    EXPECT_EQ(packSerial("09120045"), (SerialBytes{0x09, 0x12, 0x00, 0x45}));
}

TEST(PackSerial, MissingOrNonDigitCharactersCountAsZero) {
    EXPECT_EQ(packSerial(""), (SerialBytes{0, 0, 0, 0}));
    EXPECT_EQ(packSerial("123"), (SerialBytes{0x12, 0x30, 0, 0}));
    EXPECT_EQ(packSerial("1A3B5C7D"), (SerialBytes{0x10, 0x30, 0x50, 0x70}));
}

TEST(UpdateSN, PacksTheSerialNumberAt0700OverWhateverWasThere) {
    Bytes image(kMemorySize, 0xAA);
    UpdateSN(image, "09120045");
    EXPECT_EQ(Bytes(image.begin() + 0x06FF, image.begin() + 0x0705),
              (Bytes{0xAA, 0x09, 0x12, 0x00, 0x45, 0xAA}));
    UpdateSN(image, "");
    EXPECT_EQ(Bytes(image.begin() + 0x0700, image.begin() + 0x0704), (Bytes{0, 0, 0, 0}));
}

TEST(SerialFromReply, TakesCharactersSevenToFourteenOfTheHexText) {
    Bytes reply{0xB4, 0x07, 0x00, 0x12, 0x34, 0x56, 0x78};
    reply.resize(131, 0xFF);
    EXPECT_EQ(serialFromReply(reply), "12345678");
    // Non-digit nibbles come through as hex letters: the caller's format test rejects them.
    reply[4] = 0xAB;
    EXPECT_EQ(serialFromReply(reply), "12AB5678");
}
