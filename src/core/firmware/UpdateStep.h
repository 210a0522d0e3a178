#pragma once

// The steps of one update of one scale, as its progress and its journal name them.

#include <functional>

#include "core/scale/Progress.h"

namespace vantor::firmware {

// Which step a page of progress belongs to: the write-back counts pages written as the run does.
// SavingTables is the preparation: the serial number read and, when kept, the tables read and saved.
enum class UpdateStep { SavingTables, Updating, WritingTablesBack };
using UpdateProgressSink = std::function<void(UpdateStep, const scale::Progress&)>;

}  // namespace vantor::firmware
