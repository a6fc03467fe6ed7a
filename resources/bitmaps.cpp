#include "resources/bitmaps.h"

#include "resources/resource_ids.h"

#include <QString>

// The pictures live in this static library, so their registration is asked for explicitly.
static bool RegisterResources() {
    Q_INIT_RESOURCE(dormo);
    return true;
}

namespace {

QString BitmapPath(int id) {
    switch (id) {
        case IDB_MONITOR_SMALL: return QStringLiteral(":/images/monitor-32.png");
        case IDB_MONITOR_LARGE: return QStringLiteral(":/images/monitor-64.png");
        case IDB_DORMO_SMALL: return QStringLiteral(":/images/dormo-32.png");
        case IDB_DORMO_MEDIUM: return QStringLiteral(":/images/dormo-48.png");
        case IDB_SLEEP_SMALL: return QStringLiteral(":/images/sleep-32.png");
        case IDB_SLEEP_MEDIUM: return QStringLiteral(":/images/sleep-48.png");
        case IDB_HIBERNATE_SMALL: return QStringLiteral(":/images/hibernate-32.png");
        case IDB_HIBERNATE_MEDIUM: return QStringLiteral(":/images/hibernate-48.png");
        case IDB_LOCK_SMALL: return QStringLiteral(":/images/lock-32.png");
        case IDB_LOCK_MEDIUM: return QStringLiteral(":/images/lock-48.png");
        case IDB_RESTART_SMALL: return QStringLiteral(":/images/restart-32.png");
        case IDB_RESTART_MEDIUM: return QStringLiteral(":/images/restart-48.png");
        default: return {};
    }
}

}  // namespace

QImage LoadBitmapResource(int id) {
    [[maybe_unused]] static const bool registered = RegisterResources();
    const QString path = BitmapPath(id);
    if (path.isEmpty()) return {};
    QImage image(path);
    if (image.isNull()) return {};
    // The pictures carry soft edges in their alpha channel; green marks what is not picture.
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0x00FFFFFFu) == 0x0000FF00u) line[x] = 0;
    }
    return image;
}

int ComputerBitmapId(int screenClass) {
    return screenClass == 2 ? IDB_MONITOR_LARGE : IDB_MONITOR_SMALL;
}

int CommandBitmapId(int itemData, int screenClass) {
    const bool medium = screenClass == 2;
    switch (itemData) {
        case 0: return medium ? IDB_DORMO_MEDIUM : IDB_DORMO_SMALL;
        case 1: return medium ? IDB_SLEEP_MEDIUM : IDB_SLEEP_SMALL;
        case 2: return medium ? IDB_HIBERNATE_MEDIUM : IDB_HIBERNATE_SMALL;
        case 3: return medium ? IDB_LOCK_MEDIUM : IDB_LOCK_SMALL;
        case 4: return medium ? IDB_RESTART_MEDIUM : IDB_RESTART_SMALL;
        default: return -1;
    }
}

QIcon AppIcon() {
    [[maybe_unused]] static const bool registered = RegisterResources();
    QIcon icon;
    for (int size : {16, 21, 32, 43, 64})
        icon.addFile(QStringLiteral(":/icons/dormo-%1.png").arg(size), QSize(size, size));
    return icon;
}
