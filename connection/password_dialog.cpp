#include "connection/password_dialog.h"

#include "app/app.h"
#include "app/screen_metrics.h"
#include "connection/connect_and_authorise.h"
#include "connection/password_hash.h"
#include "connection/saved_passwords.h"
#include "resources/resource_ids.h"
#include "ui/control_id.h"
#include "ui/header_label.h"

#include <QLineEdit>

namespace {
// Stands in the edit for a saved password, which exists only as its hash.
const QString kSavedPlaceholder = QStringLiteral("********");
}  // namespace

CPasswordDialog::CPasswordDialog(const CConnectionLimits& limits, QWidget* owner)
    : CPage(owner), m_limits(limits) {}

QLineEdit* CPasswordDialog::Edit() const {
    return ControlAs<QLineEdit>(IDC_PASSWORD_EDIT);
}

void CPasswordDialog::OnInitDialog() {
    InitFullScreenDialog(g_app, *this, IDR_PASSWORD_BAR);
    const QRect client = ClientRect();
    const CListEntry& computer = g_app.m_computers.at(size_t(g_app.m_selectedComputer));
    m_header = CreateHeaderLabel(g_app, this, client, computer.m_name, IDC_HEADER);
    m_caption = new CHeaderLabel(QStringLiteral("Enter Password"), false, this);
    m_caption->setObjectName(QStringLiteral("caption"));
    SetControlId(m_caption, IDC_PASSWORD_CAPTION);
    m_caption->setGeometry(0, 0, client.width(), ScaleLogical(18, g_app.m_logPixelsY));
    g_app.m_passwordHeader = m_header;
    g_app.m_passwordCaption = m_caption;
    OnSize(client);

    QLineEdit* edit = Edit();
    if (!edit) return;
    connect(edit, &QLineEdit::returnPressed, this, [this] { OnCommand(IDOK_COMMAND); });
    edit->setFocus();

    if (!g_app.m_savePasswords) return;
    const std::optional<QString> saved = ReadSavedHash(computer.m_name);
    if (!saved) return;
    ShowSavedPassword(*saved);
    ConnectAndAuthorise(*this, *saved, m_commandScreen, m_limits);
}

void CPasswordDialog::OnSize(const QRect& client) {
    if (!m_header) return;
    const int x = ScaleLogical(15, g_app.m_logPixelsX);
    const int y1 = ScaleLogical(1, g_app.m_logPixelsY);
    const int y2 = ScaleLogical(2, g_app.m_logPixelsY);
    const int y18 = ScaleLogical(18, g_app.m_logPixelsY);
    const int h = g_app.m_headerHeight;
    const int right = client.left() + client.width();
    PlaceHeaderLabel(g_app, m_header, client);
    m_caption->setGeometry(client.left(), client.top() + h - y2, right, y18);
    if (QLineEdit* edit = Edit())
        edit->setGeometry(client.left() + x, client.top() + h + y18 - y1 + x, right - 2 * x,
                          ScaleLogical(20, g_app.m_logPixelsY));
}

void CPasswordDialog::OnCommand(int id) {
    if (id == IDOK_COMMAND) Login();
    // A login under way ends the page itself as it gives up.
    if (id == IDCANCEL_COMMAND && !AbortLogin()) End();
}

void CPasswordDialog::reject() {
    OnCommand(IDCANCEL_COMMAND);
}

void CPasswordDialog::ShowSavedPassword(const QString& hash) {
    QLineEdit* edit = Edit();
    if (!edit) return;
    edit->setText(QString());
    edit->setPlaceholderText(kSavedPlaceholder);
    m_savedHash = hash;
}

void CPasswordDialog::ClearEdit() {
    m_savedHash.reset();
    if (QLineEdit* edit = Edit()) {
        edit->setPlaceholderText(QString());
        edit->setText(QString());
    }
}

void CPasswordDialog::Login() {
    QLineEdit* edit = Edit();
    if (!edit || g_app.m_loginAttempt) return;
    QString typed = edit->text();
    if (typed.isEmpty()) {
        if (const std::optional<QString> saved = m_savedHash)
            ConnectAndAuthorise(*this, *saved, m_commandScreen, m_limits);
        return;
    }
    QString password = typed.left(kMaxPasswordLength);
    const QString hash = PasswordHash(password);
    // The edit's own text shares these characters, so they are overwritten there too.
    WipeText(password);
    WipeText(typed);
    ClearEdit();
    ConnectAndAuthorise(*this, hash, m_commandScreen, m_limits);
}

void RunPasswordDialog(QWidget* owner, const CConnectionLimits& limits) {
    CPasswordDialog dialog(limits);
    RunDialog(IDD_PASSWORD, owner, dialog);
}
