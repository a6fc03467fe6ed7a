#include "dialogs/help_text.h"

#include <QFile>

// Resources of a static library are registered by hand; the call must stand outside namespaces.
static void InitTextResources() {
    Q_INIT_RESOURCE(text);
}

QString HelpText() {
    InitTextResources();
    QFile file(QStringLiteral(":/text/help.txt"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 2) return {};
    const qsizetype units = (bytes.size() - 2) / 2;  // an odd last byte is not a character
    QString text(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(char16_t(uchar(bytes[2 + 2 * i]) | uchar(bytes[3 + 2 * i]) << 8));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}
