#include "platform/firmware/FirmwareLog.h"

Q_LOGGING_CATEGORY(lcFirmware, "vantor.firmware", QtWarningMsg)
