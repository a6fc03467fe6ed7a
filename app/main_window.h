#pragma once

#include <QTimer>
#include <QWidget>

class CApp;
class CComputerListModel;
class CRowListView;

// The help row's text, offered while no computer has been found.
inline const QString kHelpRowText = QStringLiteral("Can't see your PC? Tap here!");

// The main window: the header "Visible Computers", the list of visible computers and the Tools
// soft key.
class CMainWindow : public QWidget {
    Q_OBJECT
public:
    explicit CMainWindow(QWidget* parent = nullptr);

    // The creation work, in order: soft-key bar, header, list, settings, an empty list; then the
    // window is placed and shown, the one-second help-row timer starts and the wait cursor shows.
    void OnCreate();

    // The help-row timer's single tick: the wait cursor goes; while no computer has been recorded
    // the help row is added.
    void OnHelpRowTimer();

    // A row was tapped or chosen with Enter: Help for the help row, the wake-up for a sleeping
    // computer, else the computer's page.
    void OnListActivated(int row);

    // A row's menu: "Remove" for a computer added by address, nothing for other rows.
    void OnRowMenu(int row, const QPoint& globalPos);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CRowListView* m_list = nullptr;
    CComputerListModel* m_model = nullptr;
    QTimer m_helpRowTimer;
};

// Header across the top (one scaled pixel above the client area), the list below it down to the
// soft-key bar.
void LayoutMainWindow(CApp& app);

// Opens the computer of list row row: records it in m_selectedComputer, flashes the row and runs
// the password dialog. A row whose computer is no longer listed opens nothing.
void OpenComputer(CApp& app, int row);

// Wakes the sleeping computer of list row row: flashes the row, asks and sends the wake-up.
void WakeSleepingComputer(CApp& app, int row);

// A portrait, phone-sized window on a desktop; the whole screen on a screen no larger than a phone.
void PlaceMainWindow(QWidget* window);
