#pragma once

#include <QListView>

#include <chrono>
#include <functional>

// A list of owner-drawn rows, one column, single selection. A single tap on a row, or Enter on
// the current row, emits RowActivated; the arrow keys move as usual.
class CRowListView : public QListView {
    Q_OBJECT
public:
    explicit CRowListView(QWidget* parent = nullptr);

signals:
    void RowActivated(int row);
    // The row's menu was asked for (a right click or the menu key) at globalPos.
    void RowMenuRequested(int row, const QPoint& globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// The pressed-row feedback: row is drawn pressed at once (g_app.m_rowPressed set, forced
// repaint), held for 300 ms, then drawn normally at the next paint. The row becomes the current,
// selected row. The GUI thread sleeps through the 300 ms unless hold is given to wait instead.
void FlashRow(QAbstractItemView* view, int row,
              const std::function<void(std::chrono::milliseconds)>& hold = {});
