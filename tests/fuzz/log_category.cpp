// The settings category that the registry logs to, which the program defines in app/.
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSettings, "dormo.settings", QtWarningMsg)
