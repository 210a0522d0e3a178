#include "ui/app/WebDocument.h"

#include "core/app/OpenFailure.h"
#include "core/online/ServerAddresses.h"
#include "ui/app/Dialogs.h"
#include "ui/app/Program.h"

namespace vantor::app {

int OpenWebDocument(QWidget* owner, const QString& address, bool reportFailures) {
    const int result = program().desktop().openAddress(address);
    if (openSucceeded(result) || !reportFailures)
        return result;
    program().dialogs().ask(
        owner, {QStringLiteral("Download Error"), QString::fromStdString(openFailureText(result)),
                Message::Icon::Exclamation, Message::Buttons::Ok});
    return result;
}

QString webAddress(const char* path) {
    return QString::fromStdString(
        online::joinUrl(online::ServerAddresses::fromEnvironment().webServer, path));
}

}  // namespace vantor::app
