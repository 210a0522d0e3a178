#pragma once

// A message box or a question, as the rules of every subsystem say it: its title, its text, its
// icon and its buttons. The forms show it through their dialogs and vantor-cli on the terminal;
// neither changes its words.

#include <string>

namespace vantor {

struct Message {
    enum class Icon { None, Information, Question, Exclamation, Critical };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };

    std::string title;
    std::string text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    // The question's safe answer is No: Enter gives it, and a front end that cannot ask takes it.
    bool defaultNo = false;
    // Closing the box (its close button, Escape) is no answer: for a question whose No gives
    // something up, which only the No button may do. The question is asked again.
    bool closeIsNoAnswer = false;

    bool operator==(const Message&) const = default;
};

}  // namespace vantor
