#pragma once

#include <QLoggingCategory>

// Zone programming: the chart accepted, the table written, the outcome.
Q_DECLARE_LOGGING_CATEGORY(lcZones)
