#pragma once

#include <QDialog>
#include <QRect>

class CApp;
class CSoftKeyBar;
struct CDialogTemplate;

// A screen after the main window: a modal dialog built from a dialog template, opened with
// RunDialog, and made a full-screen page with a soft-key bar by InitFullScreenDialog.
//
// A page derives from CPage and overrides the handlers it needs:
//
//     class CHelpPage : public CPage {
//         void OnInitDialog() override {
//             InitFullScreenDialog(g_app, *this, IDR_CLOSE_BAR);
//             m_header = CreateHeaderLabel(g_app, this, ClientRect(), QStringLiteral("Help"),
//                                          IDC_HEADER);
//         }
//         void OnSize(const QRect& client) override { PlaceHeaderLabel(g_app, m_header, client); }
//     };
//     CHelpPage page;
//     RunDialog(IDD_HELP, g_app.m_mainWindow, page);
//
// Controls of the template exist before OnInitDialog runs; find them with Control(id) or by
// their objectName. Soft keys and menu items arrive at OnCommand with their command id.
class CPage : public QDialog {
    Q_OBJECT
public:
    explicit CPage(QWidget* owner = nullptr);

    // The control with this id (from the template or created with one), or nullptr.
    QWidget* Control(int id) const;
    template <class T>
    T* ControlAs(int id) const {
        return qobject_cast<T*>(Control(id));
    }

    // The page's soft-key bar, or nullptr when it has none.
    CSoftKeyBar* SoftKeyBar() const;

    // The area the page's own controls may use: the page less its soft-key bar.
    QRect ClientRect() const;

    // The template's id, 0 before RunDialog built the page.
    int TemplateId() const { return m_templateId; }

    // A soft key, a menu item or a page's own button was chosen. By default IDOK (1) accepts
    // and IDCANCEL (2) rejects the page; everything else is ignored.
    virtual void OnCommand(int id);

    // Ends the page with result; a page ended during OnInitDialog is never shown.
    void done(int result) override;

protected:
    // The page's controls exist; set up the page (InitFullScreenDialog, header, texts).
    virtual void OnInitDialog() {}
    // The page was resized; client is ClientRect().
    virtual void OnSize(const QRect& client);

    void resizeEvent(QResizeEvent* event) override;

private:
    friend int RunDialog(int templateId, QWidget* owner, CPage& page);
    void BuildFromTemplate(const CDialogTemplate& dialog);

    int m_templateId = 0;
    bool m_ended = false;
};

// Opens page modally from dialog template templateId, owned by owner: builds the template's
// controls, runs OnInitDialog and then the page's event loop. Returns the page's result, or -1
// without opening anything when the resources hold no such template. Every page is opened this
// way.
int RunDialog(int templateId, QWidget* owner, CPage& page);

// Makes page a full-screen page over the main window's area (the screen's work area when there
// is no main window) and gives it the soft-key bar of menu-bar record recordId, whose commands
// reach page.OnCommand. Without a bar (no such record) the page still fills the area; returns
// whether the bar was made.
bool InitFullScreenDialog(CApp& app, CPage& page, int recordId);
