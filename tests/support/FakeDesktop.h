#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "app/Desktop.h"

namespace vantor::test {

// The desktop for tests: records the addresses opened and answers with scripted values.
class FakeDesktop : public app::Desktop {
public:
    QStringList opened;
    int openResult = kOpened;
    QString clipboard;
    std::optional<qint64> freeBytes = qint64{1} << 40;

    int openAddress(const QString& address) override {
        opened << address;
        return openResult;
    }
    QString clipboardText() override { return clipboard; }
    void setClipboardText(const QString& text) override { clipboard = text; }
    std::optional<qint64> freeDiskBytes(const QString&) override { return freeBytes; }
};

}  // namespace vantor::test
