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

std::string finishQuestionLine(const std::string& serial, const std::string& port, const std::string& started,
                               const std::string& imageFile) {
    return "Finish the update of scale " + serial + " on " + port + ", begun " + started + ", with " +
           imageFile + "?";
}

std::string cannotFinishLine(const std::string& serial, const std::string& started,
                             const std::string& problem, const std::string& backupFile) {
    std::string line = "The update of scale " + serial + " begun " + started +
                       " cannot be finished: " + problem +
                       ". Update it from a new download (vantor-cli flash).";
    if (!backupFile.empty())
        line += " Its zone table and keys are saved in " + backupFile + ".";
    return line;
}

std::string damagedJournalLine(const std::string& serial, const std::string& problem, const std::string& path,
                               const std::optional<std::string>& backup) {
    std::string line = "The journal of the last update of scale " + serial + " (" + path +
                       ") cannot be read: " + problem + ". That update may not have finished";
    if (backup)
        line += "; the newest backup of the scale's zone table and keys is " + *backup;
    return line + ". Update the scale again with vantor-cli flash.";
}

std::string leftOutRecord(const std::string& backupFile) {
    return "Left out: the user chose to keep the scale without the zone table and keys saved in " +
           backupFile + ".";
}

}  // namespace vantor::firmware::unfinished_text
