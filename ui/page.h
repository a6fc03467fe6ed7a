#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <vector>

class CApp;
class CSoftKeyBar;
class QEventLoop;
struct CDialogTemplate;

// A screen after the main window: a modal page built from a dialog template, opened with
// RunDialog, and made a full-screen page with a soft-key bar by InitFullScreenDialog. A page is a
// child of the main window, not a window of its own: it covers the window's client area, and a
// page opened over a page covers that one. What a page covers is hidden while it runs, so the
// main window's list and soft keys, or the page below, take no input; ending the page shows
// them again.
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
class CPage : public QWidget {
    Q_OBJECT
public:
    explicit CPage(QWidget* owner = nullptr);
    ~CPage() override;

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

    // Ends the page with result: it hides, what it covered shows again and RunDialog returns
    // result. A page ended during OnInitDialog is never shown.
    virtual void done(int result);
    void accept() { done(kAccepted); }
    // Escape comes here.
    virtual void reject() { done(kRejected); }
    int result() const { return m_result; }
    // Whether the page runs: shown by RunDialog and not yet ended.
    bool IsRunning() const { return m_running; }

    static constexpr int kRejected = 0;
    static constexpr int kAccepted = 1;

signals:
    void finished(int result);

protected:
    // The page's controls exist; set up the page (InitFullScreenDialog, header, texts).
    virtual void OnInitDialog() {}
    // The page was resized; client is ClientRect().
    virtual void OnSize(const QRect& client);

    // Closing a page is a request to reject it, which the page may refuse.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend int RunDialog(int templateId, QWidget* owner, CPage& page);
    friend bool InitFullScreenDialog(CApp& app, CPage& page, int recordId);
    void BuildFromTemplate(const CDialogTemplate& dialog);
    int Exec();
    void Cover();
    void Uncover();

    int m_templateId = 0;
    int m_result = kRejected;
    bool m_ended = false;
    bool m_running = false;
    bool m_fillsHost = false;
    QEventLoop* m_loop = nullptr;
    // What this page hid when it opened, and the widget that had the focus then.
    std::vector<QPointer<QWidget>> m_covered;
    QPointer<QWidget> m_focusBefore;
};

// The page in front: the one that runs and was opened last, or nullptr when none runs.
CPage* FrontPage();

// Opens page modally from dialog template templateId, owned by owner: the page becomes a child
// of owner's window (of the main window when there is no owner; a window of its own when there
// is neither), builds the template's controls, runs OnInitDialog and then its own event loop.
// Returns the page's result, or -1 without opening anything when the resources hold no such
// template. The loop also ends when the application's loops are told to end (the shutdown); the
// page then ends with kRejected. Every page is opened this way.
int RunDialog(int templateId, QWidget* owner, CPage& page);

// Makes page a full-screen page: it fills its window's client area and follows its resizes (a
// page that is a window of its own fills the screen's work area), and gives it the soft-key bar
// of menu-bar record recordId, whose commands reach page.OnCommand. Without a bar (no such
// record) the page still fills the area; returns whether the bar was made.
bool InitFullScreenDialog(CApp& app, CPage& page, int recordId);
