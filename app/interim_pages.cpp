#include "app/interim_pages.h"

#include "app/app.h"
#include "app/screen_metrics.h"
#include "resources/resource_ids.h"
#include "ui/header_label.h"
#include "ui/page.h"

namespace {

class CPasswordPage : public CPage {
public:
    explicit CPasswordPage(const QString& name) : m_name(name) {}

protected:
    void OnInitDialog() override {
        InitFullScreenDialog(g_app, *this, IDR_PASSWORD_BAR);
        m_header = CreateHeaderLabel(g_app, this, ClientRect(), m_name, IDC_HEADER);
        m_caption = new CHeaderLabel(QStringLiteral("Enter Password"), false, this);
        m_caption->setObjectName(QStringLiteral("caption"));
        m_caption->setGeometry(0, 0, ClientRect().width(), ScaleLogical(18, g_app.m_logPixelsY));
        if (QWidget* edit = Control(IDC_PASSWORD_EDIT)) edit->setFocus();
    }
    void OnSize(const QRect& client) override {
        if (!m_header) return;
        PlaceHeaderLabel(g_app, m_header, client);
        const int captionHeight = ScaleLogical(18, g_app.m_logPixelsY);
        m_caption->setGeometry(0, m_header->geometry().bottom() + 1, client.width(), captionHeight);
        if (QWidget* edit = Control(IDC_PASSWORD_EDIT)) {
            const int margin = ScaleLogical(8, g_app.m_logPixelsX);
            edit->setGeometry(margin, m_caption->geometry().bottom() + 1 + margin,
                              client.width() - 2 * margin, edit->height());
        }
    }

private:
    QString m_name;
    CHeaderLabel* m_header = nullptr;
    CHeaderLabel* m_caption = nullptr;
};

}  // namespace

void RunInterimPasswordPage(QWidget* owner, const QString& computerName) {
    CPasswordPage page(computerName);
    RunDialog(IDD_PASSWORD, owner, page);
}
