#pragma once

#include <QLoggingCategory>

// Programming runs: start, end and why a run failed.
Q_DECLARE_LOGGING_CATEGORY(lcFirmware)
