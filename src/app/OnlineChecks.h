#pragma once

namespace vantor::app {

class frmWelcome;

// The main menu's two questions to the maker's server: whether a scale software update is
// available (asked at every load of the menu) and whether a newer PC program exists (asked once
// per run, shortly after the menu first appears). The menu only decides when to ask; what is
// asked and what the answers change on the menu lives behind this seam. Both calls return at
// once; the answers come later, while the menu stays usable.
class OnlineChecks {
public:
    virtual ~OnlineChecks() = default;
    virtual void CheckUpdate(frmWelcome& menu) = 0;
    virtual void CheckNewVersion(frmWelcome& menu) = 0;
};

}  // namespace vantor::app
