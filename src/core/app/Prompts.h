#pragma once

// How a rule that needs the user reaches them: a refusal to show, or a question to answer. The
// forms answer through their dialogs; vantor-cli on the terminal, or --yes.

#include <functional>

#include "core/app/Message.h"

namespace vantor {

struct Prompts {
    std::function<void(const Message&)> tell;     // a refusal, answered OK
    std::function<bool(const Message&)> confirm;  // a question: true for Yes
};

}  // namespace vantor
