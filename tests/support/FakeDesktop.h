#pragma once

#include <QString>
#include <QStringList>

#include "ui/app/Desktop.h"

namespace vantor::test {

// The desktop for tests: records the addresses opened and answers with scripted values.
class FakeDesktop : public app::Desktop {
public:
    QStringList opened;
    int openResult = kOpened;
    QString clipboard;

    int openAddress(const QString& address) override {
        opened << address;
        return openResult;
    }
    QString clipboardText() override { return clipboard; }
    void setClipboardText(const QString& text) override { clipboard = text; }
};

}  // namespace vantor::test
