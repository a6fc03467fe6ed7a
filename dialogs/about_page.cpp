#include "dialogs/about_page.h"

#include "app/app.h"
#include "dialogs/about_text.h"
#include "resources/resource_ids.h"
#include "ui/header_label.h"
#include "ui/page.h"

#include <QLabel>

namespace {

class CAboutPage : public CPage {
public:
    using CPage::CPage;

    void OnCommand(int id) override {
        if (id == IDOK_COMMAND || id == IDCANCEL_COMMAND) done(0);
    }

protected:
    void OnInitDialog() override {
        InitFullScreenDialog(g_app, *this, IDR_CLOSE_BAR);
        CreateHeaderLabel(g_app, this, ClientRect(), QStringLiteral("About Dormo"),
                          IDC_ABOUT_HEADER);
        if (auto* build = ControlAs<QLabel>(IDC_ABOUT_BUILD)) build->setText(AboutBuildLine());
        if (auto* version = ControlAs<QLabel>(IDC_ABOUT_VERSION))
            version->setText(AboutVersionLine());
    }
};

}  // namespace

void RunAboutPage(QWidget* owner) {
    CAboutPage page;
    RunDialog(IDD_ABOUT, owner, page);
}
