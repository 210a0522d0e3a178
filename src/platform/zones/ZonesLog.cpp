#include "platform/zones/ZonesLog.h"

Q_LOGGING_CATEGORY(lcZones, "vantor.zones", QtWarningMsg)
