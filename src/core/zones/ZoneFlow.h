#pragma once

// What the zone form's Program button and vantor-cli zones decide before the scale is touched:
// the pasted chart is read (a refusal is told and ends it there), the user is asked, and the
// pages to write come back. Each front end shows the messages its own way.

#include <functional>
#include <string_view>

#include "core/app/Prompts.h"
#include "core/zones/ZoneChart.h"
#include "core/zones/ZoneMessages.h"
#include "core/zones/ZoneTable.h"

namespace vantor::zones {

struct ZoneWrite {
    enum class Stop { None, Refused, Declined };

    ZoneChart chart;  // as read: sorted and zero past ZipCount once accepted
    Stop stop = Stop::None;
    ZoneTablePages pages{};  // the pages to write, in order; only when nothing stopped them

    bool confirmed() const { return stop == Stop::None; }
};

// Reads `pasted` as readZoneChart does: a refusal is told and nothing is asked. An accepted chart
// is put to the user with confirmationMessage; Yes gives the six pages to write.
ZoneWrite askToWriteZones(std::string_view pasted, const Prompts& prompts);

}  // namespace vantor::zones
