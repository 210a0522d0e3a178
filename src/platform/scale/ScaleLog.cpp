#include "platform/scale/ScaleLog.h"

Q_LOGGING_CATEGORY(lcScale, "vantor.scale", QtWarningMsg)
