#pragma once

#include <functional>

#include "app/OnlineChecks.h"

namespace vantor::test {

// The menu's online checks for tests: counts each check and runs what the test wants it to do
// (start the banner, say) instead of asking a server.
class RecordingOnlineChecks : public app::OnlineChecks {
public:
    using Action = std::function<void(app::frmWelcome&)>;

    int updateChecks = 0;
    int versionChecks = 0;
    Action onUpdateCheck;
    Action onVersionCheck;

    void CheckUpdate(app::frmWelcome& menu) override {
        ++updateChecks;
        if (onUpdateCheck)
            onUpdateCheck(menu);
    }
    void CheckNewVersion(app::frmWelcome& menu) override {
        ++versionChecks;
        if (onVersionCheck)
            onVersionCheck(menu);
    }
};

}  // namespace vantor::test
