#pragma once

#include <QString>

namespace vantor::app {

// What the program asks of the desktop besides dialogs: opening web addresses and the clipboard.
// Tests replace it.
class Desktop {
public:
    // Result codes of opening an address, in the system's numbering: above 32 is success.
    static constexpr int kOpened = 33;
    static constexpr int kNoAssociation = 31;

    virtual ~Desktop() = default;
    // Hands the address to the system's default program; kOpened, or a failure code up to 32.
    virtual int openAddress(const QString& address) = 0;
    virtual QString clipboardText() = 0;
    virtual void setClipboardText(const QString& text) = 0;
};

class SystemDesktop : public Desktop {
public:
    int openAddress(const QString& address) override;
    QString clipboardText() override;
    void setClipboardText(const QString& text) override;
};

}  // namespace vantor::app
