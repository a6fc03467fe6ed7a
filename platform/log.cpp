#include "platform/log.h"

Q_LOGGING_CATEGORY(lcDiscovery, "dormo.discovery", QtWarningMsg)
Q_LOGGING_CATEGORY(lcConnection, "dormo.connection", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "dormo.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUpdate, "dormo.update", QtWarningMsg)
