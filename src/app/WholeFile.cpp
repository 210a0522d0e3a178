#include "app/WholeFile.h"

#include <QSaveFile>

namespace vantor::app {

std::optional<std::string> saveWhole(const QString& path, std::span<const char> bytes) {
    QSaveFile file(path);
    const auto size = static_cast<qint64>(bytes.size());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), size) != size || !file.commit())
        return file.errorString().toStdString();
    return std::nullopt;
}

}  // namespace vantor::app
