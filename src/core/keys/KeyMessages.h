#pragma once

// The message boxes and questions of the key table editor and of key programming, shared by the
// form and the command line so that both refuse with the same words.

#include <string>

#include "core/app/Message.h"

namespace vantor::keys {

// A refusal of the editor: shown with a warning and an OK button.
inline constexpr Message::Icon kRefusal = Message::Icon::Exclamation;

namespace messages {

inline const Message kChooseKey{"Choose Blank Key", "Choose a blank key to be programmed first.", kRefusal};
inline const Message kNumericOnly{"Check Data", "Please check your data. Enter only numeric values.",
                                  kRefusal};
inline const Message kMaximumWeight{"Maximum Weight",
                                    "You have reached maximum weight allowed for Vantor scale.", kRefusal};
// The scale holds whole weights: 3.5 would be written as 4 and charge the 4 oz rate from 3.5 oz on.
inline const Message kWholeWeight{"Incorrect Value",
                                  "Max weight must be a whole number. Please check your input.", kRefusal};
// A max weight far beyond the limit (99999): the limit itself, so that the user knows what to type.
inline Message weightLimit(int maximum, const std::string& unit) {
    const std::string limit = std::to_string(maximum) + " " + unit;
    return {"Maximum Weight",
            "The maximum weight allowed for Vantor scale is " + limit + ". Enter a max weight of at most " +
                limit + ".",
            kRefusal};
}
inline const Message kMaximumRate{"Maximum Rate", "Maximum rate is $9,999.99.", kRefusal};
inline const Message kZeroRate{"Incorrect Rate", "Rate is $0.00. Please change the rate.", kRefusal};
inline const Message kMinNotBelowMax{"Incorrect Value", "Max weight must be greater than min weight.",
                                     kRefusal};
inline const Message kNegativeRate{"Incorrect Value",
                                   "Negative rate is not allowed. Please check your input.", kRefusal};
inline const Message kTableFull{"Maximum Range",
                                "The Weight and Rate Table is full. "
                                "You can input a maximum of 128 range or intervals.",
                                kRefusal};
inline const Message kLowerRate{"Check Rate",
                                "Current rate is lesser than previous rate. Do you want to save this range?",
                                Message::Icon::Question, Message::Buttons::YesNo};
inline const Message kEqualRate{"Check Rate",
                                "Current rate is equal to previous rate. Do you want to save this range?",
                                Message::Icon::Question, Message::Buttons::YesNo};
inline const Message kClearData{"Clear Data", "Are you sure you want to clear all data you entered?",
                                Message::Icon::Question, Message::Buttons::YesNoCancel};
inline const Message kChangeUnit{"Change Weight Unit",
                                 "This will clear all your entries in the Weight and Rate Table.\r\n"
                                 "Do you want to continue?",
                                 Message::Icon::Question, Message::Buttons::YesNoCancel};
inline const Message kCheckConnection{
    "Check Scale Connection", "Check that your scale is connected to your computer and it is turned on.",
    kRefusal};

inline Message overwrite(int key) {
    return {
        "Overwrite Programmed Data",
        "Key " + std::to_string(key) + " was already programmed before. Do you want to overwrite its data?",
        Message::Icon::Question, Message::Buttons::YesNo};
}

inline Message confirmProgramming(int key) {
    return {"Confirm Key Programming",
            "You are going to program weight and rates for blank key number " + std::to_string(key) +
                ".\r\nAre you sure you want to continue?",
            Message::Icon::Question, Message::Buttons::YesNo};
}

inline const Message kProgrammed{"Successful Key Programming",
                                 "Key programming successful! Do you want to program another key?",
                                 Message::Icon::Question, Message::Buttons::YesNo};

// After a write that failed and was not retried successfully: the key's block is part new, part old.
inline Message incompleteTable(int key, int pagesWritten, int pages) {
    const std::string number = std::to_string(key);
    return {"Key Programming Incomplete",
            "Key " + number + " holds an incomplete table: " + std::to_string(pagesWritten) + " of its " +
                std::to_string(pages) + " parts were written. Program key " + number +
                " again before you use it.",
            kRefusal};
}

}  // namespace messages
}  // namespace vantor::keys
