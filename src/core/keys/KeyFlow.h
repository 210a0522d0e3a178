#pragma once

// What follows a key check, decided once for the form and the command line: the same words and
// the same questions in the same order. Each front end shows the outcomes that are no question
// its own way (the form its error dialog and the focus, the command line a line and its status).

#include "core/keys/KeyProgramming.h"
#include "core/keys/WeightRateTable.h"

namespace vantor::keys {

enum class AfterCheck {
    Write,        // the user agreed: the block is to be written
    Stop,         // nothing is written: no scale gave its number (the user was told), or No to writing
    KeyKept,      // the key already holds a table and the user kept it
    ScaleSilent,  // the scale gave its number but not the key's state: nothing is known, nothing written
};

// No serial number: the user is told to check the connection. A programmed key: the overwrite
// question first. Then the confirmation for `key`.
AfterCheck afterKeyCheck(const KeyCheck& check, int key, const Prompts& prompts);

}  // namespace vantor::keys
