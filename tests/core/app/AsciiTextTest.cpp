// Trimming and ASCII case: each reader's blanks, and bytes of UTF-8 text left as they are.

#include <gtest/gtest.h>

#include "core/app/AsciiLower.h"
#include "core/app/Trimmed.h"

using namespace vantor;

TEST(Trimmed, CutsOnlyTheReadersBlanksFromBothEnds) {
    EXPECT_EQ(trimmed(" \t5 KiB\t ", kSpacesAndTabs), "5 KiB");
    EXPECT_EQ(trimmed("close\r", kSpacesAndTabs), "close\r");  // a CR is no HTTP blank
    EXPECT_EQ(trimmed(" 12,1.50\r", kLineBlanks), "12,1.50");
    EXPECT_EQ(trimmed("\r\n$1.50\n", kLineBlanks), "\n$1.50\n");
    EXPECT_EQ(trimmed("\r\n$1.50\n", kTypedBlanks), "$1.50");
    EXPECT_EQ(trimmed("\v\fproxy:3128 \n", kWhiteSpace), "proxy:3128");
    EXPECT_EQ(trimmed(" a  b ", " "), "a  b");  // blanks inside stay
    EXPECT_EQ(trimmed(" \t\r\n", kTypedBlanks), "");
    EXPECT_EQ(trimmed("", kTypedBlanks), "");
}

TEST(AsciiCase, ChangesAsciiLettersOnly) {
    EXPECT_EQ(asciiLower("Content-LENGTH: 9@[`{"), "content-length: 9@[`{");
    EXPECT_EQ(asciiUpper("no_proxy-9@[`{"), "NO_PROXY-9@[`{");
    // "Ä" and "ä" in UTF-8, and a Latin-1 "Ä": no byte of them is a letter here.
    EXPECT_EQ(asciiLower("\xC3\x84\xC3\xA4\xC4"), "\xC3\x84\xC3\xA4\xC4");
    EXPECT_EQ(asciiUpper("\xC3\x84\xC3\xA4\xE4"), "\xC3\x84\xC3\xA4\xE4");
    EXPECT_EQ(asciiLower('Z'), 'z');
    EXPECT_EQ(asciiLower('\xDE'), '\xDE');
}
