#include "core/firmware/UnfinishedText.h"

namespace vantor::firmware::unfinished_text {

namespace {

constexpr const char* kTitle = "Vantor PC Program";

}  // namespace

std::string when(const std::string& started) {
    std::string shown = started;
    if (const std::size_t space = shown.find(' '); space != std::string::npos)
        shown.replace(space, 1, ", ");
    return shown;
}

Message finishQuestion(const std::string& serial, const std::string& started) {
    return {kTitle,
            "The last update of your scale (serial number " + serial + ") did not finish (" + when(started) +
                "). Your scale will not work until it has been updated.\n\nFinish the update now?",
            Message::Icon::Question, Message::Buttons::YesNo};
}

Message cannotFinish() {
    return {kTitle,
            "The update file kept for the last update has changed or is gone, so that update cannot be "
            "finished. Click \"Update Scale\" to update your scale from a new download: your zone table and "
            "keys saved before the last update will be written back after it.",
            Message::Icon::Exclamation, Message::Buttons::Ok};
}

Message damagedJournal(const std::string& serial, const std::string& problem, const std::string& path,
                       const std::optional<std::string>& backup) {
    std::string text = "The program's notes about the last update of your scale (serial number " + serial +
                       ") cannot be read: " + problem + " (" + path +
                       "). That update may not have finished: click \"Update Scale\" to update your scale "
                       "again.";
    if (backup)
        text += "\n\nYour zone table and keys were saved in " + *backup + ".";
    return {kTitle, text, Message::Icon::Exclamation, Message::Buttons::Ok};
}

std::string leftOutRecord(const std::string& backupFile) {
    return "Left out: the user chose to keep the scale without the zone table and keys saved in " +
           backupFile + ".";
}

}  // namespace vantor::firmware::unfinished_text
