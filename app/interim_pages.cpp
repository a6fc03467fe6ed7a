#include "app/interim_pages.h"

#include "app/app.h"
#include "app/screen_metrics.h"
#include "dialogs/help_text.h"
#include "resources/resource_ids.h"
#include "ui/header_label.h"
#include "ui/page.h"

#include <QPlainTextEdit>

namespace {

class CHelpPage : public CPage {
protected:
    void OnInitDialog() override {
        InitFullScreenDialog(g_app, *this, IDR_CLOSE_BAR);
        m_header = CreateHeaderLabel(g_app, this, ClientRect(), QStringLiteral("Help"), IDC_HEADER);
        if (auto* text = ControlAs<QPlainTextEdit>(IDC_HELP_TEXT)) text->setPlainText(HelpText());
    }
    void OnSize(const QRect& client) override {
        if (!m_header) return;
        PlaceHeaderLabel(g_app, m_header, client);
        if (QWidget* text = Control(IDC_HELP_TEXT)) {
            const QRect below(0, m_header->geometry().bottom() + 1, client.width(),
                              client.bottom() - m_header->geometry().bottom());
            text->setGeometry(below);
        }
    }

private:
    CHeaderLabel* m_header = nullptr;
};

}  // namespace

void RunInterimHelpPage(QWidget* owner) {
    CHelpPage page;
    RunDialog(IDD_HELP, owner, page);
}
