#include "resources/dialog_templates.h"

#include "resources/resource_ids.h"

#include <QFontDatabase>
#include <QFontMetrics>

namespace {

const QString kShellDlg = QStringLiteral("MS Shell Dlg");
const QString kSansSerif = QStringLiteral("MS Sans Serif");

int MulDiv(int n, int numerator, int denominator) {
    return (n * numerator + denominator / 2) / denominator;
}

const std::vector<CDialogTemplate>& Templates() {
    static const std::vector<CDialogTemplate> templates{
        {IDD_ABOUT,
         {156, 129},
         kSansSerif,
         8,
         {{IDC_ABOUT_ICON, CControlKind::Icon, {}, {12, 16, 21, 20}, 0, "aboutIcon"},
          {IDC_ABOUT_VERSION,
           CControlKind::Static,
           {},
           {12, 41, 70, 8},
           kCtlNoPrefix,
           "aboutVersion"},
          {IDC_ABOUT_CREDIT_MAKER,
           CControlKind::Static,
           QStringLiteral("Made by Venholt"),
           {12, 49, 137, 8},
           0,
           "aboutCreditMaker"},
          {IDC_ABOUT_CREDIT_PORTIONS,
           CControlKind::Static,
           QStringLiteral("Discovery by the Avahi project"),
           {12, 57, 137, 8},
           0,
           "aboutCreditPortions"},
          {IDC_ABOUT_BUILD, CControlKind::Static, {}, {12, 65, 137, 8}, 0, "aboutBuild"}}},
        {IDD_OPTIONS,
         {160, 138},
         kShellDlg,
         8,
         {{IDC_SAVE_PASSWORDS,
           CControlKind::CheckBox,
           QStringLiteral("Save Passwords"),
           {4, 21, 68, 10},
           kCtlTabStop,
           "savePasswords"},
          {IDC_DELETE_PASSWORDS,
           CControlKind::PushButton,
           QStringLiteral("Delete Saved Passwords"),
           {4, 35, 91, 14},
           kCtlTabStop,
           "deletePasswords"},
          {IDC_FORGET_COMPUTERS,
           CControlKind::PushButton,
           QStringLiteral("Forget remembered computers"),
           {4, 53, 110, 14},
           kCtlTabStop,
           "forgetComputers"},
          {IDC_CONFIRM_COMMANDS,
           CControlKind::CheckBox,
           QStringLiteral("Ask before sending a command"),
           {4, 73, 140, 10},
           kCtlTabStop,
           "confirmCommands"}}},
        {IDD_PASSWORD,
         {160, 138},
         kShellDlg,
         8,
         {{IDC_PASSWORD_EDIT,
           CControlKind::Edit,
           {},
           {7, 20, 100, 14},
           kCtlBorder | kCtlTabStop | kCtlPassword | kCtlAutoHScroll,
           "passwordEdit"}}},
        {IDD_COMMAND_SCREEN, {160, 138}, kShellDlg, 8, {}},
        {IDD_HELP,
         {156, 129},
         kSansSerif,
         8,
         {{IDC_HELP_TEXT,
           CControlKind::MultiLineEdit,
           {},
           {7, 7, 142, 115},
           kCtlReadOnly | kCtlBorder | kCtlVScroll | kCtlTabStop,
           "helpText"}}},
        {IDD_FIRST_RUN,
         {160, 138},
         kShellDlg,
         8,
         {{IDC_DONT_SHOW_AGAIN,
           CControlKind::CheckBox,
           QStringLiteral("Don't show again"),
           {5, 76, 71, 10},
           kCtlTabStop,
           "dontShowAgain"},
          {IDC_FIRST_RUN_TEXT,
           CControlKind::Static,
           {},
           {5, 18, 140, 55},
           kCtlCentred,
           "firstRunText"}}},
        {IDD_ADD_COMPUTER,
         {160, 138},
         kShellDlg,
         8,
         {{IDC_COMPUTER_NAME_LABEL,
           CControlKind::Static,
           QStringLiteral("Name"),
           {7, 20, 140, 8},
           0,
           "computerNameLabel"},
          {IDC_COMPUTER_NAME,
           CControlKind::Edit,
           {},
           {7, 29, 140, 14},
           kCtlBorder | kCtlTabStop | kCtlAutoHScroll,
           "computerName"},
          {IDC_COMPUTER_ADDRESS_LABEL,
           CControlKind::Static,
           QStringLiteral("Address (IPv4 or host name)"),
           {7, 47, 140, 8},
           0,
           "computerAddressLabel"},
          {IDC_COMPUTER_ADDRESS,
           CControlKind::Edit,
           {},
           {7, 56, 140, 14},
           kCtlBorder | kCtlTabStop | kCtlAutoHScroll,
           "computerAddress"},
          {IDC_COMPUTER_PORT_LABEL,
           CControlKind::Static,
           QStringLiteral("Port"),
           {7, 74, 140, 8},
           0,
           "computerPortLabel"},
          {IDC_COMPUTER_PORT,
           CControlKind::Edit,
           QStringLiteral("4660"),
           {7, 83, 40, 14},
           kCtlBorder | kCtlTabStop | kCtlAutoHScroll,
           "computerPort"}}},
    };
    return templates;
}

}  // namespace

const CDialogTemplate* FindDialogTemplate(int id) {
    for (const CDialogTemplate& t : Templates())
        if (t.id == id) return &t;
    return nullptr;
}

QFont DialogFont(const CDialogTemplate& dialog, int dpiY) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(MulDiv(dialog.pointSize, dpiY, 72));
    return font;
}

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

QRect DialogUnitsToPixels(const QRect& units, QSize base) {
    return {MulDiv(units.x(), base.width(), 4), MulDiv(units.y(), base.height(), 8),
            MulDiv(units.width(), base.width(), 4), MulDiv(units.height(), base.height(), 8)};
}
