#pragma once

#include <QLoggingCategory>

// The forms shown and every message box with its answer, for support logs.
Q_DECLARE_LOGGING_CATEGORY(lcUi)
