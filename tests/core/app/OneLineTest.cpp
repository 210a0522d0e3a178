// A message box's text on one line: the one rule every command-line message follows.

#include <gtest/gtest.h>

#include "core/app/OneLine.h"

using vantor::app::oneLine;

TEST(OneLine, EveryRunOfLineBreaksIsOneBlank) {
    EXPECT_EQ(oneLine("Check Data\r\nEnter only numbers."), "Check Data Enter only numbers.");
    EXPECT_EQ(oneLine("The file is incomplete.\n\nDownload it again?"),
              "The file is incomplete. Download it again?");
    EXPECT_EQ(oneLine("old Mac\rline"), "old Mac line");
    EXPECT_EQ(oneLine("ends with a blank \n next"), "ends with a blank  next") << "blanks of the text stay";
    EXPECT_EQ(oneLine("\n\nleading and trailing\r\n"), "leading and trailing");
    EXPECT_EQ(oneLine(""), "");
}
