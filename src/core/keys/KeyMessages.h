#pragma once

// The message boxes and questions of the key table editor and of key programming, shared by the
// form and the command line so that both refuse with the same words.

#include <string>

namespace vantor::keys {

struct EditorMessage {
    enum class Kind { Refusal, Question, YesNoCancel };
    const char* title;
    std::string text;
    Kind kind = Kind::Refusal;
};

namespace messages {

inline const EditorMessage kChooseKey{"Choose Blank Key", "Choose a blank key to be programmed first."};
inline const EditorMessage kNumericOnly{"Check Data", "Please check your data. Enter only numeric values."};
inline const EditorMessage kMaximumWeight{"Maximum Weight",
                                          "You have reached maximum weight allowed for Vantor scale."};
// The scale holds whole weights: 3.5 would be written as 4 and charge the 4 oz rate from 3.5 oz on.
inline const EditorMessage kWholeWeight{"Incorrect Value",
                                        "Max weight must be a whole number. Please check your input."};
inline const EditorMessage kMaximumRate{"Maximum Rate", "Maximum rate is $9,999.99."};
inline const EditorMessage kZeroRate{"Incorrect Rate", "Rate is $0.00. Please change the rate."};
inline const EditorMessage kMinNotBelowMax{"Incorrect Value", "Max weight must be greater than min weight."};
inline const EditorMessage kNegativeRate{"Incorrect Value",
                                         "Negative rate is not allowed. Please check your input."};
inline const EditorMessage kTableFull{
    "Maximum Range",
    "The Weight and Rate Table is full. You can input a maximum of 128 range or "
    "intervals."};
inline const EditorMessage kLowerRate{
    "Check Rate", "Current rate is lesser than previous rate. Do you want to save this range?",
    EditorMessage::Kind::Question};
inline const EditorMessage kEqualRate{
    "Check Rate", "Current rate is equal to previous rate. Do you want to save this range?",
    EditorMessage::Kind::Question};
inline const EditorMessage kClearData{"Clear Data", "Are you sure you want to clear all data you entered?",
                                      EditorMessage::Kind::YesNoCancel};
inline const EditorMessage kChangeUnit{"Change Weight Unit",
                                       "This will clear all your entries in the Weight and Rate Table.\r\n"
                                       "Do you want to continue?",
                                       EditorMessage::Kind::YesNoCancel};
inline const EditorMessage kCheckConnection{
    "Check Scale Connection", "Check that your scale is connected to your computer and it is turned on."};

inline EditorMessage overwrite(int key) {
    return {
        "Overwrite Programmed Data",
        "Key " + std::to_string(key) + " was already programmed before. Do you want to overwrite its data?",
        EditorMessage::Kind::Question};
}

inline EditorMessage confirmProgramming(int key) {
    return {"Confirm Key Programming",
            "You are going to program weight and rates for blank key number " + std::to_string(key) +
                ".\r\nAre you sure you want to continue?",
            EditorMessage::Kind::Question};
}

inline const EditorMessage kProgrammed{"Successful Key Programming",
                                       "Key programming successful! Do you want to program another key?",
                                       EditorMessage::Kind::Question};

// After a write that failed and was not retried successfully: the key's block is part new, part old.
inline EditorMessage incompleteTable(int key, int pagesWritten, int pages) {
    const std::string number = std::to_string(key);
    return {"Key Programming Incomplete",
            "Key " + number + " holds an incomplete table: " + std::to_string(pagesWritten) + " of its " +
                std::to_string(pages) + " parts were written. Program key " + number +
                " again before you use it."};
}

}  // namespace messages
}  // namespace vantor::keys
