#include "dialogs/add_computer_page.h"

#include "app/app.h"
#include "discovery/manual_computer.h"
#include "platform/cursor.h"
#include "platform/host_lookup.h"
#include "platform/message_box.h"
#include "resources/resource_ids.h"
#include "ui/header_label.h"
#include "ui/page.h"

#include <QLineEdit>

#include <chrono>

namespace {

// How long a host name may take to resolve while the page waits.
constexpr std::chrono::seconds kLookupLimit(5);

class CAddComputerPage : public CPage {
public:
    using CPage::CPage;

    void OnCommand(int id) override {
        if (id == IDOK_COMMAND) Add();
        if (id == IDCANCEL_COMMAND) done(kRejected);
    }

protected:
    void OnInitDialog() override {
        InitFullScreenDialog(g_app, *this, IDR_ADD_COMPUTER_BAR);
        m_header = CreateHeaderLabel(g_app, this, ClientRect(), QStringLiteral("Add Computer"),
                                     IDC_HEADER);
        for (const int id : {IDC_COMPUTER_NAME, IDC_COMPUTER_ADDRESS, IDC_COMPUTER_PORT})
            if (auto* edit = ControlAs<QLineEdit>(id))
                connect(edit, &QLineEdit::returnPressed, this, [this] { OnCommand(IDOK_COMMAND); });
        if (QWidget* name = Control(IDC_COMPUTER_NAME)) name->setFocus();
    }
    void OnSize(const QRect& client) override {
        if (m_header) PlaceHeaderLabel(g_app, m_header, client);
    }

private:
    QString Text(int id) const {
        const auto* edit = ControlAs<QLineEdit>(id);
        return edit ? edit->text() : QString();
    }

    void Add() {
        platform::SetWaitCursor(true);
        const CManualComputerCheck check = CheckManualComputer(
            Text(IDC_COMPUTER_NAME), Text(IDC_COMPUTER_ADDRESS), Text(IDC_COMPUTER_PORT),
            [](const std::string& host) { return platform::LookUpIpv4(host, kLookupLimit); });
        platform::SetWaitCursor(false);
        QString error = check.error;
        if (check.computer && !AddManualComputer(g_app, *check.computer))
            error = QStringLiteral("The computer could not be stored in the settings.");
        if (error.isEmpty()) {
            done(kAccepted);
            return;
        }
        g_app.m_messageBoxes->ShowWarning(this, error);
        const int field = check.field == CManualField::Port      ? IDC_COMPUTER_PORT
                          : check.field == CManualField::Address ? IDC_COMPUTER_ADDRESS
                                                                 : IDC_COMPUTER_NAME;
        if (QWidget* edit = Control(field); edit && !check.error.isEmpty()) edit->setFocus();
    }

    QWidget* m_header = nullptr;
};

}  // namespace

void RunAddComputerPage(QWidget* owner) {
    CAddComputerPage page;
    RunDialog(IDD_ADD_COMPUTER, owner, page);
}
