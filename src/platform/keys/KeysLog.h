#pragma once

#include <QLoggingCategory>

// Key programming: the key checked, the table written, the outcome.
Q_DECLARE_LOGGING_CATEGORY(lcKeys)
