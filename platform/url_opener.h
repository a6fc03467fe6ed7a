#pragma once

class QUrl;

namespace platform {

// Hands a URL to the desktop: http(s) to the browser, mailto: to the mail program. Tests catch
// it with QDesktopServices::setUrlHandler. False when nothing took it.
bool OpenUrl(const QUrl& url);

}  // namespace platform
