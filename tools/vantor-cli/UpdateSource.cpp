#include "UpdateSource.h"

#include <QString>
#include <QTemporaryDir>
#include <iostream>

#include "DownloadCommands.h"
#include "ScaleCommands.h"
#include "firmware/IntelHexLoader.h"

namespace vantor::cli {

UpdateSource loadUpdateSource(const std::string& source) {
    UpdateSource loaded;
    // A downloaded file lives only as long as this folder, removed again before returning.
    QTemporaryDir downloads;
    std::string file = source;
    if (isDownloadUrl(source)) {
        if (!downloads.isValid()) {
            std::cerr << "Cannot create a temporary folder for the download: "
                      << downloads.errorString().toStdString() << "\n";
            loaded.status = kScaleFailed;
            return loaded;
        }
        file = downloads.filePath(QStringLiteral("VantorUSA_APROM.hex")).toStdString();
        if (const int status = downloadFile(source, QString::fromStdString(file), kDefaultRetries);
            status != kSuccess) {
            loaded.status = status;
            return loaded;
        }
    }
    firmware::HexLoad load = firmware::IntelHexLoader::loadFile(file);
    if (!load.image) {
        std::cerr << source << ": " << load.error.message() << "\n";
        loaded.status = kBadInput;
        return loaded;
    }
    loaded.image = std::move(*load.image);
    return loaded;
}

}  // namespace vantor::cli
