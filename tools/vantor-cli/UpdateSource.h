#pragma once

// An update file named on the command line: a HEX file, or an http(s) URL downloaded first into a
// folder of its own; read with the loader's full checks.

#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <string>

#include "core/firmware/ImageBuffer.h"

namespace vantor::cli {

struct UpdateSource {
    std::optional<firmware::ImageBuffer> image;
    int status = 0;    // the exit status when there is no image: kBadInput for a refused file
    std::string file;  // the file read: SOURCE, or the download, kept as long as this is
    std::shared_ptr<QTemporaryDir> downloads;  // the download's own folder, removed with the last copy
};

// The reason goes to stderr, naming the file (the URL for a downloaded one). A download larger than
// any update file can be is refused while it arrives.
UpdateSource loadUpdateSource(const std::string& source);

}  // namespace vantor::cli
