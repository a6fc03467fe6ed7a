#include "dialogs/first_run_page.h"

#include "app/app.h"
#include "dialogs/about_text.h"
#include "dialogs/options_actions.h"
#include "resources/resource_ids.h"
#include "ui/header_label.h"
#include "ui/page.h"

#include <QCheckBox>
#include <QLabel>

#include <algorithm>

namespace {

class CFirstRunPage : public CPage {
public:
    using CPage::CPage;

    void OnCommand(int id) override {
        if (id != IDOK_COMMAND) return;
        const auto* box = ControlAs<QCheckBox>(IDC_DONT_SHOW_AGAIN);
        if (box && box->isChecked()) MarkFirstRunPassed(g_app);
        done(0);
    }

    // Escape and closing the window both come here; the notice stays until OK.
    void reject() override {}

protected:
    void OnInitDialog() override {
        InitFullScreenDialog(g_app, *this, IDR_FIRST_RUN_BAR);
        g_app.m_firstRunHeader =
            CreateHeaderLabel(g_app, this, ClientRect(), QStringLiteral("First run"), IDC_HEADER);
        if (auto* notice = ControlAs<QLabel>(IDC_FIRST_RUN_TEXT)) notice->setText(FirstRunNotice());
        if (QWidget* box = Control(IDC_DONT_SHOW_AGAIN)) box->setFocus();
    }

    void OnSize(const QRect& client) override {
        if (g_app.m_firstRunHeader) PlaceHeaderLabel(g_app, g_app.m_firstRunHeader, client);
        FitNotice(client);
    }

private:
    // The template's sizes suit a narrower font than ours: the notice keeps its margin inside
    // the page, grows to the height of its wrapped text, and the box follows below it.
    void FitNotice(const QRect& client) {
        QWidget* notice = Control(IDC_FIRST_RUN_TEXT);
        QWidget* box = Control(IDC_DONT_SHOW_AGAIN);
        if (!notice || !box) return;
        const int margin = notice->x();
        const int width = client.width() - 2 * margin;
        notice->setGeometry(margin, notice->y(), width,
                            std::max(notice->height(), notice->heightForWidth(width)));
        box->move(box->x(), std::max(box->y(), notice->geometry().bottom() + 1));
    }
};

}  // namespace

void RunFirstRunPage(QWidget* owner) {
    CFirstRunPage page;
    RunDialog(IDD_FIRST_RUN, owner, page);
}
