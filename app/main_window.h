#pragma once

#include <QWidget>

class CComputerListModel;
class QListView;

// The main window: the list of visible computers.
class CMainWindow : public QWidget {
    Q_OBJECT
public:
    explicit CMainWindow(QWidget* parent = nullptr);

    // The creation work: builds the controls, loads the settings, empties the computer list.
    void OnCreate();

protected:
    void closeEvent(QCloseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    QListView* m_list = nullptr;
    CComputerListModel* m_model = nullptr;
};

// A portrait, phone-sized window on a desktop; the whole screen on a screen no larger than a phone.
void PlaceMainWindow(QWidget* window);
