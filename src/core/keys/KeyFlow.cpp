#include "core/keys/KeyFlow.h"

namespace vantor::keys {

AfterCheck afterKeyCheck(const KeyCheck& check, int key, const Prompts& prompts) {
    if (check.serial.serial.empty()) {
        prompts.tell(messages::kCheckConnection);
        return AfterCheck::Stop;
    }
    // A scale that stopped answering cannot say whether the key holds a table.
    if (!check.check.answered())
        return AfterCheck::ScaleSilent;
    if (check.check.programmed && !prompts.confirm(messages::overwrite(key)))
        return AfterCheck::KeyKept;
    return prompts.confirm(messages::confirmProgramming(key)) ? AfterCheck::Write : AfterCheck::Stop;
}

}  // namespace vantor::keys
