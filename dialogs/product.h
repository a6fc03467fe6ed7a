#pragma once

#include <QString>

// The program's version: About shows it and the update check compares against it.
inline const QString kDormoVersion = QStringLiteral("0.98");

// The maker's addresses, all on a reserved example domain.
inline const QString kMakerWebSite = QStringLiteral("http://www.venholt.example");
inline const QString kSetUpPage = QStringLiteral("http://www.venholt.example/Dormo");
inline const QString kFeedbackAddress = QStringLiteral("dormo-feedback@venholt.example");
