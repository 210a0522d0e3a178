#include "platform/keys/KeysLog.h"

Q_LOGGING_CATEGORY(lcKeys, "vantor.keys", QtWarningMsg)
