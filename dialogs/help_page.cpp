#include "dialogs/help_page.h"

#include "app/app.h"
#include "dialogs/help_text.h"
#include "resources/resource_ids.h"
#include "ui/header_label.h"
#include "ui/page.h"

#include <QPlainTextEdit>

namespace {

class CHelpPage : public CPage {
public:
    using CPage::CPage;

    void OnCommand(int id) override {
        if (id == IDOK_COMMAND || id == IDCANCEL_COMMAND) done(0);
    }

protected:
    void OnInitDialog() override {
        InitFullScreenDialog(g_app, *this, IDR_CLOSE_BAR);
        g_app.m_helpHeader =
            CreateHeaderLabel(g_app, this, ClientRect(), QStringLiteral("Help"), IDC_HEADER);
        if (auto* text = ControlAs<QPlainTextEdit>(IDC_HELP_TEXT)) text->setPlainText(HelpText());
    }

    void OnSize(const QRect& client) override {
        // Before this opening's label exists only the text moves.
        if (g_app.m_helpHeader) PlaceHeaderLabel(g_app, g_app.m_helpHeader, client);
        if (QWidget* text = Control(IDC_HELP_TEXT))
            text->setGeometry(client.left(), client.top() + g_app.m_headerHeight, client.width(),
                              client.height() - g_app.m_headerHeight);
    }
};

}  // namespace

void RunHelpPage(QWidget* owner) {
    CHelpPage page;
    RunDialog(IDD_HELP, owner, page);
}
