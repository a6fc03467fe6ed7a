#include "dialogs/update_check.h"

#include "app/app.h"
#include "dialogs/product.h"
#include "dialogs/version_file.h"
#include "platform/cursor.h"
#include "platform/download.h"
#include "platform/log.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/url_opener.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryFile>
#include <QUrl>

#include <optional>
#include <string>

using namespace platform;

namespace {

const QString kVersionFilePath = QStringLiteral("/Downloads/Dormo/wm-ver");
const QString kPackagePath = QStringLiteral("/Downloads/Dormo/Dormo_PPC.arm.cab");
constexpr qint64 kMaxVersionBytes = 255;
constexpr qsizetype kMaxMessageChars = 255;

QString NewVersionMessage(const QString& versionText) {
    const QString before = QStringLiteral("New version of Dormo (");
    const QString after = QStringLiteral(
        ") is available. Tap OK and then check \"Open file after download\" to update to new "
        "version.");
    // Cut a long version text so the whole message stays within 255 characters.
    QString shown = versionText.left(kMaxMessageChars - before.size() - after.size());
    if (!shown.isEmpty() && shown.back().isHighSurrogate()) shown.chop(1);
    return before + shown + after;
}

// The first bytes of the downloaded file; false when it cannot be read back.
bool ReadHead(QFile& file, QByteArray* bytes) {
    if (!file.seek(0)) return false;
    *bytes = file.read(kMaxVersionBytes);
    return file.error() == QFileDevice::NoError;
}

void CouldNotCheck(QWidget* owner) {
    g_app.m_messageBoxes->ShowWarning(owner, QStringLiteral("Could not check for updates"));
}

}  // namespace

QString UpdateServer() {
    QString server;
    if (g_app.m_registry) {
        CRegKey key;
        uint32_t type = REG_NONE;
        uint32_t size = 0;
        if (g_app.m_registry->CreateKey(kProductKey, &key) == ERROR_SUCCESS &&
            key.QueryValue(QStringLiteral("UpdateServer"), &type, nullptr, &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ)
            key.QueryString(QStringLiteral("UpdateServer"), &server);
    }
    if (server.isEmpty()) server = QStringLiteral(DORMO_UPDATE_SERVER);
    while (server.endsWith(u'/')) server.chop(1);
    return server;
}

void CheckForUpdates(QWidget* owner) {
    SetWaitCursor(true);
    const QString server = UpdateServer();

    // A private file (mode 0600, unique name) removed when this object goes, on every path.
    QTemporaryFile local(QDir::tempPath() + QStringLiteral("/dormo-ver-XXXXXX"));
    QByteArray bytes;
    if (!local.open() || !g_app.m_downloader->Download(server + kVersionFilePath, &local) ||
        !ReadHead(local, &bytes)) {
        SetWaitCursor(false);
        CouldNotCheck(owner);
        return;
    }
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) bytes.truncate(nul);
    const std::string text = bytes.toStdString();

    qCDebug(lcUpdate) << "version file" << bytes;

    const std::optional<bool> newer = IsNewerVersion(text, kDormoVersion.toStdString());
    if (!newer) {
        CouldNotCheck(owner);
    } else if (*newer) {
        if (g_app.m_messageBoxes->AskOkCancel(owner, NewVersionMessage(QString::fromUtf8(bytes)),
                                              QStringLiteral("Dormo update"))) {
            OpenUrl(QUrl(server + kPackagePath));
            QApplication::exit(0);
        }
    } else {
        g_app.m_messageBoxes->ShowWarning(owner, QStringLiteral("Dormo is up to date."));
    }
    SetWaitCursor(false);
}
