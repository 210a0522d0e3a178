#pragma once

#include <QString>

class QWidget;

namespace vantor::app {

// Hands `address` to the system's default program (the browser, a PDF reader). When the system
// cannot open it and `reportFailures` is set, the user is told why under "Download Error".
// Returns the system's result code: above 32 is success.
int OpenWebDocument(QWidget* owner, const QString& address, bool reportFailures);

// The address of `path` on the maker's web server (VANTOR_WEB_SERVER or the built-in one).
QString webAddress(const char* path);

}  // namespace vantor::app
