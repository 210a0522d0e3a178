#pragma once

// An update set up on this computer, the same for the update form, flash, the fleet and resume:
// its runs and write-backs recorded in the history file, its journal kept beside its own copy of
// the update file, the tables saved as a backup, and the tables of an unfinished update of the
// same scale taken over rather than the region as that update left it.

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/firmware/ImageBuffer.h"
#include "core/firmware/ScaleUpdate.h"
#include "core/firmware/UpdateJournal.h"

namespace vantor::firmware {

struct UpdateSetup {
    ImageBuffer image;
    TablesChoice tables = TablesChoice::Keep;
    QString backupFolder;  // where the tables backup is saved
    QString updateFile;    // the update file written, of which the journal keeps a copy
    // The unfinished update this one finishes: its own copy of the update file and the tables saved
    // before it began (none when it erased them, and then none are kept now).
    std::optional<UpdateJournal> finishing;
    // Told what an earlier update of the same scale left, when one did not finish (one line each).
    std::function<void(const std::string&)> say;
};

// The update, which keeps its journal alive as long as it lives.
std::shared_ptr<ScaleUpdate> setUpUpdate(UpdateSetup setup);

}  // namespace vantor::firmware
