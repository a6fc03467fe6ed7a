#pragma once

#include <QLoggingCategory>

// The program's logging categories, silent below warnings until QT_LOGGING_RULES turns them on:
// dormo.discovery (sightings, engine state), dormo.connection (protocol steps, wake-ups),
// dormo.settings (settings and registry file), dormo.update (update download).
Q_DECLARE_LOGGING_CATEGORY(lcDiscovery)
Q_DECLARE_LOGGING_CATEGORY(lcConnection)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)
