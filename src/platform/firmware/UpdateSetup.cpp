#include "platform/firmware/UpdateSetup.h"

#include "platform/app/DataFolder.h"
#include "platform/firmware/FirmwareLog.h"
#include "platform/firmware/HistoryFile.h"
#include "platform/firmware/JournalFile.h"
#include "platform/firmware/TablesBackupFile.h"

namespace vantor::firmware {

namespace {

// The update with the journal it writes through, alive as long as either is used.
struct JournaledUpdate {
    JournaledUpdate(ImageBuffer image, TablesChoice tables, BackupSaver saver, const QString& updateFile)
        : journal(JournalFile::folder(), updateFile), update(std::move(image), tables, std::move(saver)) {
        update.keepJournal(&journal);
    }
    JournalFile journal;
    ScaleUpdate update;
};

// The tables of an update of the same scale that did not finish, from its journal, each finding
// said on `say`.
ScaleUpdate::EarlierTablesLookup tablesOfAnUnfinishedUpdate(std::function<void(const std::string&)> say) {
    return [say = std::move(say)](const std::string& serial) -> std::optional<ScaleUpdate::EarlierTables> {
        const JournalFile::Lookup found = JournalFile::lookUp(JournalFile::folder(), serial);
        if (!found.problem.empty())
            say("The journal of an earlier update of scale " + serial + " (" + found.path.toStdString() +
                ") cannot be read: " + found.problem + ".");
        if (!found.journal)
            return std::nullopt;
        const UpdateJournal& journal = *found.journal;
        std::string told = "The last update of scale " + serial + " (" + journal.started + ", with " +
                           journal.imageFile + ") did not finish";
        std::optional<ScaleUpdate::EarlierTables> earlier = JournalFile::earlierTables(journal);
        if (earlier && earlier->tables)
            told += "; the zone table and keys saved before it are in " + journal.backupFile;
        else if (earlier && !journal.backupFile.empty())
            told += "; the zone table and keys saved before it (" + journal.backupFile + ") cannot be read";
        say(told + ".");
        return earlier;
    };
}

}  // namespace

std::shared_ptr<ScaleUpdate> setUpUpdate(UpdateSetup setup) {
    if (!setup.say)
        setup.say = [](const std::string& line) {
            qCInfo(lcFirmware).noquote() << QString::fromStdString(line);
        };
    std::optional<ScaleUpdate::EarlierTables> earlier;
    if (setup.finishing) {
        earlier = JournalFile::earlierTables(*setup.finishing);
        // An update that erased the tables kept none: there is nothing of the user's to keep.
        setup.tables = earlier ? TablesChoice::Keep : TablesChoice::Erase;
        setup.updateFile = QString::fromStdString(setup.finishing->imageFile);
    }
    BackupSaver saver = [folder = setup.backupFolder](const std::string& serial,
                                                      std::span<const Byte> tables) {
        return saveTablesBackup(folder, serial, tables);
    };
    auto owner = std::make_shared<JournaledUpdate>(std::move(setup.image), setup.tables, std::move(saver),
                                                   setup.updateFile);
    ScaleUpdate& update = owner->update;
    update.recordTo(historyInDataFolder());
    if (setup.finishing) {
        update.finishesAnEarlierUpdate();
        update.lookForEarlierTables([earlier](const std::string&) { return earlier; });
    } else {
        update.lookForEarlierTables(tablesOfAnUnfinishedUpdate(std::move(setup.say)));
        update.lookForOlderBackup([](const std::string& serial) {
            return newestBackupWithTables(app::DataFolder::backupFolders(), serial);
        });
    }
    return std::shared_ptr<ScaleUpdate>(owner, &owner->update);
}

}  // namespace vantor::firmware
