#pragma once

#include <QString>

// The program's version, the project version the build was made from: About shows it, the
// update check compares against it, and the packages carry it.
extern const QString kDormoVersion;

// The maker's addresses, all on a reserved example domain.
inline const QString kMakerWebSite = QStringLiteral("http://www.venholt.example");
inline const QString kSetUpPage = QStringLiteral("http://www.venholt.example/Dormo");
inline const QString kFeedbackAddress = QStringLiteral("dormo-feedback@venholt.example");
