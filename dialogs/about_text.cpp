#include "dialogs/about_text.h"

#include "dialogs/product.h"

#include <QStringList>

QString AboutVersionLine() {
    return QStringLiteral("Version ") + kDormoVersion;
}

QString AboutBuildLine(const char* date, const char* time) {
    return QStringLiteral("Built on ") + QString::fromLocal8Bit(date) + u' ' +
           QString::fromLocal8Bit(time);
}

QString AboutBuildLine() {
    return AboutBuildLine(__DATE__, __TIME__);
}

QString FirstRunNotice() {
    return QStringList{QStringLiteral("To use Dormo, you will need to set up the Dormo-"),
                       QStringLiteral("Helper on your computer."),
                       QString(),
                       QStringLiteral("Please load"),
                       kSetUpPage,
                       QStringLiteral(" on your computer for setup instructions")}
        .join(u'\n');
}
