#pragma once

// vantor-cli flash for several scales at once: each scale on its own thread with its own port, so
// that N scales take about as long as one.

#include <string>
#include <vector>

#include "core/firmware/ImageBuffer.h"
#include "core/firmware/ScaleUpdate.h"

namespace vantor::cli {

// Updates the scale on every port at the same time, each with its own serial number packed into
// its own copy of `image`, each run with the single run's retry rules. Progress on stderr, one
// line per scale at the end on stdout. kSuccess only when every scale verified and has its tables back.
// `updateFile`: the file `image` was loaded from, copied into each scale's run journal.
int flashFleet(const firmware::ImageBuffer& image, const std::string& updateFile,
               const std::vector<std::string>& ports, firmware::TablesChoice tables);

}  // namespace vantor::cli
