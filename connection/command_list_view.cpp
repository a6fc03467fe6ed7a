#include "connection/command_list_view.h"

#include "app/app.h"
#include "ui/row_drawing.h"

#include <QKeyEvent>

#include <utility>

namespace {

bool IsEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// Keys that move the selection: the arrows and their page-wise and end-wise kin.
bool IsMove(const QKeyEvent* event) {
    if (event->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier))
        return false;
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End: return true;
        default: return false;
    }
}

bool IsTyping(const QKeyEvent* event) {
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

// Command rows sized to fill the list: five rows, each a fifth of its height.
class CFifthRowDelegate : public CCommandRowDelegate {
public:
    explicit CFifthRowDelegate(QAbstractItemView* view) : CCommandRowDelegate(view), m_view(view) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), CCommandListView::RowHeightFor(m_view->height())};
    }

private:
    QAbstractItemView* m_view;
};

}  // namespace

CCommandListView::CCommandListView(QWidget* parent) : CRowListView(parent) {
    // Row heights follow the list's height, so they are measured again at every layout.
    setUniformItemSizes(false);
    setItemDelegate(new CFifthRowDelegate(this));
    connect(this, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) m_chosenRow = index.row();
    });
}

void CCommandListView::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(event)) {
        if (!event->isAutoRepeat()) m_enterWentDownHere = true;
        event->accept();
        return;
    }
    if (IsTyping(event)) {
        m_chosenRow = -1;
        event->accept();
        return;
    }
    CRowListView::keyPressEvent(event);
    if (IsMove(event) && currentIndex().isValid()) m_chosenRow = currentIndex().row();
}

void CCommandListView::keyReleaseEvent(QKeyEvent* event) {
    // A held key repeats as press and release pairs here; only the real key-up counts.
    if (IsEnter(event) && !event->isAutoRepeat()) {
        event->accept();
        OnEnterKeyUp();
        return;
    }
    CRowListView::keyReleaseEvent(event);
}

void CCommandListView::focusOutEvent(QFocusEvent* event) {
    // A key that goes down here and up in a message box must not count on the next key-up.
    m_enterWentDownHere = false;
    CRowListView::focusOutEvent(event);
}

void CCommandListView::resizeEvent(QResizeEvent* event) {
    CRowListView::resizeEvent(event);
    doItemsLayout();
}

void CCommandListView::OnEnterKeyUp() {
    const bool wentDownHere = std::exchange(m_enterWentDownHere, false);
    if (g_app.m_skipNextEnter) {
        g_app.m_skipNextEnter = false;
        return;
    }
    // The key-up of an Enter that dismissed a confirmation box: the box had its key press.
    if (!wentDownHere) return;
    if (!model() || !selectionModel()) return;
    for (int row = 0; row < model()->rowCount(); ++row) {
        if (selectionModel()->isRowSelected(row)) {
            if (row == m_chosenRow) emit RowActivated(row);
            return;
        }
    }
}
