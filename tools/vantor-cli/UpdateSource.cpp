#include "UpdateSource.h"

#include <QString>
#include <QTemporaryDir>
#include <iostream>

#include "DownloadCommands.h"
#include "ScaleCommands.h"
#include "core/firmware/IntelHexLoader.h"

namespace vantor::cli {

UpdateSource loadUpdateSource(const std::string& source) {
    UpdateSource loaded;
    loaded.file = source;
    if (isDownloadUrl(source)) {
        loaded.downloads = std::make_shared<QTemporaryDir>();
        if (!loaded.downloads->isValid()) {
            std::cerr << "Cannot create a temporary folder for the download: "
                      << loaded.downloads->errorString().toStdString() << "\n";
            loaded.status = kScaleFailed;
            return loaded;
        }
        loaded.file = loaded.downloads->filePath(QStringLiteral("VantorUSA_APROM.hex")).toStdString();
        if (const int status = downloadFile(source, QString::fromStdString(loaded.file), kDefaultRetries,
                                            static_cast<std::int64_t>(firmware::IntelHexLoader::kMaxFileSize),
                                            DownloadKind::UpdateFile);
            status != kSuccess) {
            loaded.status = status;
            return loaded;
        }
    }
    firmware::HexLoad load = firmware::IntelHexLoader::loadFile(loaded.file);
    if (!load.image) {
        std::cerr << source << ": " << load.error.message() << "\n";
        loaded.status = kBadInput;
        return loaded;
    }
    loaded.image = std::move(*load.image);
    return loaded;
}

}  // namespace vantor::cli
