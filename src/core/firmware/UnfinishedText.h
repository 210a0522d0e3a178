#pragma once

// What the user is told of an update that did not finish, when the program next finds its scale.

#include <optional>
#include <string>

#include "core/app/Message.h"

namespace vantor::firmware::unfinished_text {

// "2026-12-08 14:03", as a journal keeps the time an update began, as the user reads it.
std::string when(const std::string& started);

// Yes finishes the update now; No asks again at the next start.
Message finishQuestion(const std::string& serial, const std::string& started);
// The journal's copy of the update file has changed or is gone.
Message cannotFinish();
// The journal at `path` cannot be read (`problem`); `backup`: the newest backup with the scale's tables.
Message damagedJournal(const std::string& serial, const std::string& problem, const std::string& path,
                       const std::optional<std::string>& backup);
// The history's result when the user left the tables saved in `backupFile` out for good.
std::string leftOutRecord(const std::string& backupFile);

}  // namespace vantor::firmware::unfinished_text
