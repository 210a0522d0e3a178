#pragma once

#include <QString>
#include <functional>

#include "core/online/UpdateQueries.h"

class QWidget;

namespace vantor::app {

// The answers of the scale software update check, in the order they come: the server's answer
// first, then, for an available update only, the banner fetched for it.
struct UpdateReplies {
    // True when the banner is wanted: the update is available and the menu still waits for it.
    std::function<bool(online::UpdateAnswer answer)> answered;
    // The banner picture saved in the program folder, for the menu to show and delete; empty text
    // when no banner came.
    std::function<void(const QString& bannerFile)> bannerFetched;
};

// The latest PC program version: "Version " followed by the server's value, or empty text when
// the server gave none.
using VersionReply = std::function<void(const QString& latest)>;

// The main menu's two questions to the maker's server: whether a scale software update is
// available (asked at every load of the menu) and whether a newer PC program exists (asked once
// per run, shortly after the menu first appears). The menu decides when to ask and what the
// answers change on its windows; what is asked and how lies behind this seam. Both calls return
// at once; the answers come later, while the menu stays usable. Trouble on the way is told with
// `owner` as the message boxes' owner.
class OnlineChecks {
public:
    virtual ~OnlineChecks() = default;
    virtual void CheckUpdate(QWidget* owner, UpdateReplies replies) = 0;
    virtual void CheckNewVersion(QWidget* owner, VersionReply reply) = 0;
};

}  // namespace vantor::app
