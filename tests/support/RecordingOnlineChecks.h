#pragma once

#include <functional>

#include "ui/app/OnlineChecks.h"

namespace vantor::test {

// The menu's online checks for tests: counts each check and runs what the test wants it to do
// (answer it, or ask a real server) instead of asking a server; unanswered otherwise.
class RecordingOnlineChecks : public app::OnlineChecks {
public:
    int updateChecks = 0;
    int versionChecks = 0;
    std::function<void(QWidget* owner, app::UpdateReplies replies)> onUpdateCheck;
    std::function<void(QWidget* owner, app::VersionReply reply)> onVersionCheck;

    void CheckUpdate(QWidget* owner, app::UpdateReplies replies) override {
        ++updateChecks;
        if (onUpdateCheck)
            onUpdateCheck(owner, std::move(replies));
    }
    void CheckNewVersion(QWidget* owner, app::VersionReply reply) override {
        ++versionChecks;
        if (onVersionCheck)
            onVersionCheck(owner, std::move(reply));
    }
};

}  // namespace vantor::test
