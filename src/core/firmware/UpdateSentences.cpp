#include "core/firmware/UpdateSentences.h"

#include "core/app/OneLine.h"

namespace vantor::firmware::update_text {

using tables_text::notInScale;

using scale::Stage;

std::string notStarted(const UpdateReport& report, const ScaleUpdate& update) {
    switch (report.prepared) {
        case Prepared::NoSerial:
            return scale::describe(scale::failedAt(Stage::SerialRead, scale::Outcome::NoReply));
        case Prepared::Cancelled:
            return "Stopped before the update began; nothing was written.";
        case Prepared::TablesUnread:
            return "Nothing was written: the zone table and keys could not be read. " +
                   scale::describe(update.tablesRead());
        case Prepared::BackupNotSaved:
            return "Nothing was written: the zone table and keys could not be saved to " +
                   update.backup()->path + " (" + update.backup()->error + ").";
        case Prepared::NoJournal:
            return app::oneLine(noJournal(update.journalError()).text);
        case Prepared::TablesDiffer:
            return "Nothing was written: the zone table and keys in this scale are neither those saved "
                   "before "
                   "the unfinished update of its serial number (" +
                   update.earlierBackup() +
                   ") nor what that update wrote; it may be another scale with the same number. If it is "
                   "the scale whose update did not finish, run the command again on a terminal and answer "
                   "Yes.";
        case Prepared::TablesLost:
            return "Nothing was written: the zone table and keys saved before the unfinished update of this "
                   "scale (" +
                   update.earlierBackup() +
                   ") cannot be read, and that update has written over the scale's own.";
        case Prepared::Ready:
            break;
    }
    return "";
}

Message noJournal(const std::string& reason) {
    return {"Vantor PC Program",
            "The update cannot begin: the program cannot save its notes about the update (" + reason +
                "). Nothing has been written to the scale. Free some disk space and try again.",
            Message::Icon::Exclamation, Message::Buttons::Ok};
}

std::string runFailed(const scale::OperationResult& result) {
    // Until a page is written the old software is whole; after that only a new run makes it whole.
    const bool untouched =
        result.pagesDone == 0 &&
        (result.stage == Stage::SerialRead || result.stage == Stage::Unlock || result.stage == Stage::None);
    return scale::describe(result) + (untouched ? " The scale keeps its old software."
                                                : " The scale's software is incomplete: update it again.");
}

std::string tables(const UpdateReport& report, const ScaleUpdate& update) {
    const std::string where = update.tablesWhere();
    switch (report.tablesAfter) {
        case TablesAfterUpdate::Nothing:
            if (const auto& older = update.blankButBackedUp())
                return tables_text::blankButBackedUp(*older).text + " (vantor-cli restore)";
            return "";
        case TablesAfterUpdate::FileBringsTables:
            return app::oneLine(tables_text::fileBringsTables(where).text);
        case TablesAfterUpdate::OfferRestore:
            break;
    }
    if (report.writeBackDeclined || !report.writeBack)
        return notInScale(where);
    if (!report.writeBack->succeeded())
        return "Your zone table and keys are incomplete in the scale: " + scale::describe(*report.writeBack) +
               " They are saved in " + where + ".";
    return "Your zone table and keys were written back: " + scale::describe(*report.writeBack);
}

}  // namespace vantor::firmware::update_text
