#pragma once

#include "ui/row_list_view.h"

// The command screen's list. A tap activates its row at once, as on every row list; the Enter
// key works on key-up only: the first key-up after the screen opens (g_app.m_skipNextEnter) is
// swallowed, every later one activates the first selected row if the key went down here too and
// the user chose that row here, with an arrow key or a tap, since the list opened or since
// letters were last typed. Letters (a password typed into the wrong screen) do nothing else: the
// list has no type-ahead. So neither the Enter that confirmed the password, nor the one that
// dismissed a confirmation box, nor Enter after a password typed here can send a command, and an
// Enter key press never activates anything. Rows are a fifth of the list's height each.
class CCommandListView : public CRowListView {
    Q_OBJECT
public:
    explicit CCommandListView(QWidget* parent = nullptr);

    // The row height for a list height: a fifth of it, truncated.
    static int RowHeightFor(int listHeight) { return listHeight / 5; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnEnterKeyUp();

    bool m_enterWentDownHere = false;
    // The row the user chose with an arrow key or a tap, -1 for none.
    int m_chosenRow = -1;
};
