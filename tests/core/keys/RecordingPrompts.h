#pragma once

// Prompts for core tests: records what is said and answers the questions from a queue (No when it
// runs dry).

#include <deque>
#include <string>
#include <vector>

#include "core/keys/WeightRateTable.h"

namespace vantor::keys::test {

struct RecordingPrompts {
    std::vector<std::string> said;  // "Title: text" for a message, "Title? text" for a question
    std::deque<bool> answers;
    Prompts prompts{
        [this](const vantor::Message& m) { said.push_back(std::string(m.title) + ": " + m.text); },
        [this](const vantor::Message& m) {
            said.push_back(std::string(m.title) + "? " + m.text);
            if (answers.empty())
                return false;
            const bool yes = answers.front();
            answers.pop_front();
            return yes;
        }};
};

}  // namespace vantor::keys::test
