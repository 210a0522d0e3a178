#pragma once

#include <QLoggingCategory>

// The serial traffic is logged here as hex; enable with QT_LOGGING_RULES="vantor.scale.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcScale)
