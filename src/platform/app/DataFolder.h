#pragma once

// The user's data folder, one for the program and vantor-cli alike, so that a user finds every
// backup, journal and history record in one place whichever of the two made it:
// %LOCALAPPDATA%\VantorUSA_PCProgram\VantorUSA_PCProgram on Windows,
// $XDG_DATA_HOME/VantorUSA_PCProgram/VantorUSA_PCProgram (~/.local/share when unset) elsewhere.
// It does not depend on the running executable's own names: vantor-cli has names of its own.

#include <QString>
#include <QStringList>

namespace vantor::app {

class DataFolder {
public:
    // The folder's path; nothing is made.
    static QString path();
    // The folder's path, made when missing (the caller finds out by writing when it cannot be).
    static QString made();
    // `name` inside the folder.
    static QString filePath(const QString& name);
    // Where the run journals of unfinished updates live.
    static QString journals();
    // Where tables backups are looked for: the data folder, and the folder earlier versions of
    // vantor-cli saved theirs into, which stays readable.
    static QStringList backupFolders();
};

}  // namespace vantor::app
