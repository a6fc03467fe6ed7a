#include "dialogs/options_page.h"

#include "app/app.h"
#include "app/settings.h"
#include "dialogs/options_actions.h"
#include "discovery/remember.h"
#include "platform/message_box.h"
#include "resources/resource_ids.h"
#include "ui/header_label.h"
#include "ui/page.h"

#include <QCheckBox>

namespace {

class COptionsPage : public CPage {
public:
    using CPage::CPage;

    void OnCommand(int id) override {
        switch (id) {
            case IDOK_COMMAND:
            case IDM_SAVE: {
                const auto* box = ControlAs<QCheckBox>(IDC_SAVE_PASSWORDS);
                SaveOptions(g_app, box && box->isChecked());
                const auto* confirm = ControlAs<QCheckBox>(IDC_CONFIRM_COMMANDS);
                SaveConfirmCommands(g_app, confirm && confirm->isChecked());
                done(0);
                break;
            }
            case IDCANCEL_COMMAND: done(0); break;
            case IDC_DELETE_PASSWORDS:
                if (g_app.m_messageBoxes->AskYesNo(
                        this,
                        QStringLiteral("This will delete all stored passwords. Are you sure?")))
                    DeleteSavedPasswords(g_app);
                break;
            case IDC_FORGET_COMPUTERS:
                if (g_app.m_messageBoxes->AskYesNo(
                        this,
                        QStringLiteral("This will forget all remembered computers. Are you sure?")))
                    ForgetRememberedComputers(g_app);
                break;
            default: break;
        }
    }

protected:
    void OnInitDialog() override {
        InitFullScreenDialog(g_app, *this, IDR_OPTIONS_BAR);
        if (auto* box = ControlAs<QCheckBox>(IDC_SAVE_PASSWORDS))
            box->setChecked(g_app.m_savePasswords);
        if (auto* box = ControlAs<QCheckBox>(IDC_CONFIRM_COMMANDS))
            box->setChecked(ConfirmCommandsSetting(g_app));
        CreateHeaderLabel(g_app, this, ClientRect(), QStringLiteral("Options"), IDC_HEADER);
        if (QWidget* box = Control(IDC_SAVE_PASSWORDS)) box->setFocus();
    }
};

}  // namespace

void RunOptionsPage(QWidget* owner) {
    COptionsPage page;
    RunDialog(IDD_OPTIONS, owner, page);
}
