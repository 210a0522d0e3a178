// clsRC4: the published test vectors byte for byte, the key schedule's caching, the fresh
// keystream per call, the hexadecimal forms, the file operations and the Progress event.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>

#include "core/online/clsRC4.h"

using vantor::online::clsRC4;
using vantor::online::HexDecodeText;
using vantor::online::HexEncodeText;
namespace fs = std::filesystem;

namespace {

clsRC4::Bytes fromHex(const std::string& hex) {
    const std::string bytes = HexDecodeText(hex);
    return clsRC4::Bytes(bytes.begin(), bytes.end());
}

std::string bytesAsKey(const std::string& hex) {
    return HexDecodeText(hex);
}

struct Vector {
    std::string keyHex;
    std::string plainHex;
    std::string cipherHex;
};

// The vectors published with the cipher and in common references; the last one is the first 32
// keystream bytes for the 40-bit key 0102030405.
const Vector kPublished[] = {
    {"4B6579", "506C61696E74657874", "BBF316E8D940AF0AD3"},  // "Key", "Plaintext"
    {"57696B69", "7065646961", "1021BF0420"},                // "Wiki", "pedia"
    {"536563726574", "41747461636B206174206461776E",
     "45A01F645FC35B383552544B9BF5"},  // "Secret", "Attack at dawn"
    {"0123456789ABCDEF", "0123456789ABCDEF", "75B7878099E0C596"},
    {"0123456789ABCDEF", "0000000000000000", "7494C2E7104B0879"},
    {"0000000000000000", "0000000000000000", "DE188941A3375D3A"},
    {"EF012345", "00000000000000000000", "D6A141A7EC3C38DFBD61"},
    {"0102030405", std::string(64, '0'), "B2396305F03DC027CCC3524A0A1118A86982944F18FC82D589C403A47A0D0919"},
};

TEST(Rc4, ReproducesThePublishedVectorsByteForByte) {
    for (const Vector& v : kPublished) {
        clsRC4 cipher;
        clsRC4::Bytes data = fromHex(v.plainHex);
        cipher.EncryptByte(data, bytesAsKey(v.keyHex));
        EXPECT_EQ(data, fromHex(v.cipherHex)) << "key " << v.keyHex;
    }
}

TEST(Rc4, EveryCallStartsTheKeystreamAfreshSoDecryptionUndoesEncryption) {
    clsRC4 cipher;
    const std::string statement = "SELECT CurrentVersion From VantorPCPrograms WHERE Model ='USA'";
    const std::string first = cipher.EncryptString(statement, "MARLOWTIDEBRIGHTS");
    const std::string second = cipher.EncryptString(statement);  // stored key, new keystream
    EXPECT_EQ(first, second);
    EXPECT_NE(first, statement);
    EXPECT_EQ(cipher.DecryptString(first), statement);
    EXPECT_EQ(clsRC4().DecryptString(first, "MARLOWTIDEBRIGHTS"), statement);
    // Decrypting with the byte operations agrees with the string ones.
    clsRC4::Bytes bytes(first.begin(), first.end());
    clsRC4().DecryptByte(bytes, "MARLOWTIDEBRIGHTS");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), statement);
}

TEST(Rc4, SchedulesTheKeyOnlyWhenItChanges) {
    clsRC4 cipher;
    EXPECT_TRUE(cipher.Key("Secret"));
    EXPECT_TRUE(cipher.Key("Secret"));
    clsRC4::Bytes data{1, 2, 3};
    cipher.EncryptByte(data, "Secret");
    EXPECT_EQ(cipher.keySchedules(), 1);
    EXPECT_TRUE(cipher.Key("secret"));  // the comparison is case-sensitive
    EXPECT_EQ(cipher.keySchedules(), 2);
    cipher.EncryptByte(data);  // an empty key argument keeps the stored key
    EXPECT_EQ(cipher.keySchedules(), 2);
}

TEST(Rc4, RefusesAnEmptyKeyAndKeepsTheStoredOne) {
    clsRC4 cipher;
    ASSERT_TRUE(cipher.Key("Key"));
    const auto schedule = cipher.permutation();
    EXPECT_FALSE(cipher.Key(""));
    EXPECT_EQ(cipher.permutation(), schedule);
    clsRC4::Bytes data = fromHex("506C61696E74657874");
    cipher.EncryptByte(data);
    EXPECT_EQ(data, fromHex("BBF316E8D940AF0AD3"));
}

TEST(Rc4, WithoutAnyKeyTheDataPassesUnchanged) {
    clsRC4 cipher;
    EXPECT_TRUE(
        std::all_of(cipher.permutation().begin(), cipher.permutation().end(), [](auto v) { return v == 0; }));
    clsRC4::Bytes data{0x00, 0x41, 0xFF, 0x7F};
    const clsRC4::Bytes original = data;
    cipher.EncryptByte(data);
    EXPECT_EQ(data, original);
}

TEST(Rc4, HexadecimalFormsAreTwoUpperCaseDigitsPerByte) {
    EXPECT_EQ(HexEncodeText(std::string("\x0A\xFF\x00", 3)), "0AFF00");
    EXPECT_EQ(HexDecodeText("0AFF"), std::string("\x0A\xFF"));
    EXPECT_EQ(HexDecodeText("0aff"), std::string("\x0A\xFF"));
    // A pair stops at its first non-digit; a pair with no digits is 0; a last single digit stands
    // alone.
    EXPECT_EQ(HexDecodeText("1G"), std::string("\x01"));
    EXPECT_EQ(HexDecodeText("G1"), std::string(1, '\0'));
    EXPECT_EQ(HexDecodeText("ABC"), std::string("\xAB\x0C"));

    // Plaintext chosen so that the cipher yields 0A FF: the keystream XOR those bytes.
    clsRC4 keystream;
    clsRC4::Bytes stream(2, 0);
    keystream.EncryptByte(stream, "Key");
    const std::string plain{static_cast<char>(stream[0] ^ 0x0A), static_cast<char>(stream[1] ^ 0xFF)};
    clsRC4 cipher;
    EXPECT_EQ(cipher.EncryptString(plain, "Key", true), "0AFF");
    EXPECT_EQ(cipher.DecryptString("0AFF", "Key", true), plain);
}

TEST(Rc4, ProgressStartsAtZeroEndsAtHundredAndIsThrottled) {
    std::vector<std::int32_t> seen;
    clsRC4 cipher;
    cipher.Progress = [&seen](std::int32_t percent) { seen.push_back(percent); };

    clsRC4::Bytes one{0x55};
    cipher.EncryptByte(one, "Key");
    EXPECT_EQ(seen, (std::vector<std::int32_t>{0, 100}));

    seen.clear();
    EXPECT_EQ(cipher.EncryptString(""), "");
    EXPECT_EQ(seen, (std::vector<std::int32_t>{100}));

    // The next event is due after (percent + 1) / 100 of the data plus one byte, rounded half
    // to even: 3 bytes report 0, 33, 66; 50 bytes every fourth percent; 200 bytes every one.
    const auto eventsFor = [&](std::size_t size) {
        seen.clear();
        clsRC4::Bytes data(size, 0);
        cipher.EncryptByte(data);
        return seen;
    };
    EXPECT_EQ(eventsFor(3), (std::vector<std::int32_t>{0, 33, 66, 100}));
    std::vector<std::int32_t> everyFourth;
    for (int percent = 0; percent <= 100; percent += 4)
        everyFourth.push_back(percent);
    EXPECT_EQ(eventsFor(50), everyFourth);
    std::vector<std::int32_t> everyOne(101);
    std::iota(everyOne.begin(), everyOne.end(), 0);
    EXPECT_EQ(eventsFor(200), everyOne);

    seen.clear();
    clsRC4::Bytes large(100'000, 0);
    cipher.EncryptByte(large);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_LE(seen.size(), 101u);
    EXPECT_GE(seen.size(), 100u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << "a percentage reported twice";
}

class Rc4Files : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("vantor-rc4-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    void write(const std::string& name, const std::string& content) const {
        std::ofstream(path(name), std::ios::binary) << content;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(m_dir))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

    fs::path m_dir;
};

TEST_F(Rc4Files, EncryptsAWholeFileAndDecryptsItBack) {
    write("plain.txt", "Plaintext");
    clsRC4 cipher;
    ASSERT_TRUE(cipher.EncryptFile(path("plain.txt"), path("secret.bin"), false, "Key"));
    EXPECT_EQ(HexEncodeText(read("secret.bin")), "BBF316E8D940AF0AD3");
    ASSERT_TRUE(clsRC4().DecryptFile(path("secret.bin"), path("back.txt"), false, "Key"));
    EXPECT_EQ(read("back.txt"), "Plaintext");
}

TEST_F(Rc4Files, RefusesAMissingOrEmptyInputAndWritesNothing) {
    clsRC4 cipher;
    EXPECT_FALSE(cipher.EncryptFile(path("missing"), path("out"), true, "Key"));
    write("empty", "");
    EXPECT_FALSE(cipher.EncryptFile(path("empty"), path("out"), true, "Key"));
    EXPECT_FALSE(cipher.DecryptFile(path("empty"), path("out"), true, "Key"));
    fs::create_directory(path("folder"));
    EXPECT_FALSE(cipher.EncryptFile(path("folder"), path("out"), true, "Key"));
    EXPECT_EQ(names(), (std::vector<std::string>{"empty", "folder"}));
}

TEST_F(Rc4Files, LeavesAnExistingOutputAloneWithoutOverwrite) {
    write("in", "new content");
    write("out", "old content that is longer");
    clsRC4 cipher;
    EXPECT_FALSE(cipher.EncryptFile(path("in"), path("out"), false, "Key"));
    EXPECT_FALSE(cipher.DecryptFile(path("in"), path("out"), false, "Key"));
    EXPECT_EQ(read("in"), "new content");
    EXPECT_EQ(read("out"), "old content that is longer");
}

TEST_F(Rc4Files, OverwriteReplacesALongerOutputWhole) {
    write("in", "short");
    write("out", "old content that is much longer");
    clsRC4 cipher;
    ASSERT_TRUE(cipher.EncryptFile(path("in"), path("out"), true, "Key"));
    EXPECT_EQ(read("out").size(), 5u);
    ASSERT_TRUE(cipher.DecryptFile(path("out"), path("out"), true, "Key"));  // in place
    EXPECT_EQ(read("out"), "short");
    EXPECT_EQ(names(), (std::vector<std::string>{"in", "out"}));
}

TEST_F(Rc4Files, AFailedWriteKeepsWhatWasThereAndLeavesNoPartialFile) {
    write("in", "data");
    // An output that cannot be replaced: a folder with something in it.
    fs::create_directory(path("out"));
    write("out/keep", "old");
    EXPECT_FALSE(clsRC4().EncryptFile(path("in"), path("out"), true, "Key"));
    EXPECT_EQ(read("out/keep"), "old");
    // An output in a folder that does not exist.
    EXPECT_FALSE(clsRC4().EncryptFile(path("in"), path("nowhere/out"), true, "Key"));
    EXPECT_EQ(names(), (std::vector<std::string>{"in", "out"}));
}

}  // namespace
