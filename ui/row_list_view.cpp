#include "ui/row_list_view.h"

#include "app/app.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QThread>

CRowListView::CRowListView(QWidget* parent) : QListView(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(this, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) emit RowActivated(index.row());
    });
}

void CRowListView::contextMenuEvent(QContextMenuEvent* event) {
    // From the keyboard the menu is the current row's; from the mouse the row under it.
    const QModelIndex index =
        event->reason() == QContextMenuEvent::Keyboard ? currentIndex() : indexAt(event->pos());
    if (!index.isValid()) return;
    emit RowMenuRequested(index.row(), event->globalPos());
    event->accept();
}

void CRowListView::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && currentIndex().isValid()) {
        emit RowActivated(currentIndex().row());
        return;
    }
    QListView::keyPressEvent(event);
}

void FlashRow(QAbstractItemView* view, int row,
              const std::function<void(std::chrono::milliseconds)>& hold) {
    constexpr std::chrono::milliseconds kHeld(300);
    const QModelIndex index = view->model()->index(row, 0);
    view->setCurrentIndex(index);
    const QRect rect = view->visualRect(index);
    g_app.m_rowPressed = true;
    view->viewport()->repaint(rect);
    if (hold)
        hold(kHeld);
    else
        QThread::msleep(kHeld.count());
    g_app.m_rowPressed = false;
    view->viewport()->update(rect);
}
