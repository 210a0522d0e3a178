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

    bool operator==(const Message&) const = default;
};

}  // namespace vantor
