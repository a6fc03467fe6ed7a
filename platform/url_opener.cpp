#include "platform/url_opener.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {

bool OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace platform
