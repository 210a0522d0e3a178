#pragma once

#include <QString>
#include <optional>

namespace vantor::online {

// A link that names an existing local file, as a path or a file:// URL: users who received the
// update file by other means can update without a server. Nothing for any other link.
std::optional<QString> localFileOf(const QString& link);

// Copies `source` over `destination` whole or not at all: a failed copy keeps the older file. Empty
// on success, else the system's reason.
QString copyLocalFile(const QString& source, const QString& destination);

}  // namespace vantor::online
