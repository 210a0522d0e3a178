#include "platform/app/UiLog.h"

Q_LOGGING_CATEGORY(lcUi, "vantor.ui", QtWarningMsg)
