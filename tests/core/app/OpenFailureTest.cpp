// What the user is told when the system could not open an address, by the system's result code.

#include <gtest/gtest.h>

#include "core/app/OpenFailure.h"

using vantor::app::openFailureText;
using vantor::app::openSucceeded;

TEST(OpenFailure, EachResultCodeHasItsOwnSentence) {
    EXPECT_EQ(openFailureText(0), "Out of memory");
    EXPECT_EQ(openFailureText(8), "Out of memory");
    EXPECT_EQ(openFailureText(2), "File not found");
    EXPECT_EQ(openFailureText(3), "Path not found");
    EXPECT_EQ(openFailureText(5), "Path/file access error");
    EXPECT_EQ(openFailureText(11), "The executable file is invalid or corrupt");
    EXPECT_EQ(openFailureText(26), "A sharing violation occurred.");
    EXPECT_EQ(openFailureText(27), "This file type does not have a valid file association.");
    EXPECT_EQ(openFailureText(28),
              "The file could not be opened due to time out. Please try again in a moment.");
    EXPECT_EQ(
        openFailureText(29),
        "The file could not be opened because the DDE transaction failed. Please try again in a moment.");
    EXPECT_EQ(openFailureText(30),
              "The file could not be opened because the target application is busy. Please try again in a "
              "moment.");
    EXPECT_EQ(openFailureText(31), "No application is associated with this file type.");
    EXPECT_EQ(openFailureText(32), "The specified dynamic-link library was not found.");
}

TEST(OpenFailure, OtherCodesGetTheGeneralSentenceAndAbove32IsSuccess) {
    // The wording users have always seen, doubled word included.
    for (int result : {1, 4, 12, 25})
        EXPECT_EQ(openFailureText(result),
                  "An error occurred occurred whilst trying to open or print the selected file.")
            << result;
    EXPECT_FALSE(openSucceeded(32));
    EXPECT_TRUE(openSucceeded(33));
}
