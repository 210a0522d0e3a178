#include "platform/online/OnlineLog.h"

Q_LOGGING_CATEGORY(lcOnline, "vantor.online", QtWarningMsg)
