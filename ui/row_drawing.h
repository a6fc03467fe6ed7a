#pragma once

#include <QModelIndex>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>

class QPainter;

// Rows of the item models are told apart by this role, the item data every row carries:
// 1 computer row, 2 sleeping computer row, 9998 sleeping header, 9999 help row
// (CComputerListModel); 0 to 4 the commands (CCommandListModel).
constexpr int kRowItemDataRole = Qt::UserRole + 1;

// Draws a row of the "Visible Computers" list into option.rect: behind a selected row a
// horizontal gradient from the base colour into the highlight colour (70 % of it while
// g_app.m_rowPressed is set); the monitor at the left edge of a computer row, its name 40
// logical pixels in, and a row's detail (the address of a computer added by address) at its right
// edge in the text font; the help row's text centred without a picture; a sleeping computer's row
// like a computer row at kSleepingOpacity; the "Sleeping Computers" header as the header labels
// are drawn. Title font throughout.
void DrawComputerRow(QPainter& painter, const QStyleOptionViewItem& option,
                     const QModelIndex& index);

// Draws a command row: the same selection gradient, the command's picture 2 logical pixels in,
// the text 40 logical pixels in, in the view's own font.
void DrawCommandRow(QPainter& painter, const QStyleOptionViewItem& option,
                    const QModelIndex& index);

// The height of every owner-drawn row: 40 logical pixels; the sleeping header is as high as the
// header labels.
int RowHeight();
int RowHeight(const QModelIndex& index);

// How opaque a sleeping computer's row is drawn.
constexpr double kSleepingOpacity = 0.4;

// An item delegate that draws its rows with one of the functions above and sizes them
// RowHeight(index) high.
class CRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using Drawing = void (*)(QPainter&, const QStyleOptionViewItem&, const QModelIndex&);
    CRowDelegate(Drawing draw, QObject* parent) : QStyledItemDelegate(parent), m_draw(draw) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    Drawing m_draw;
};

class CComputerRowDelegate : public CRowDelegate {
public:
    explicit CComputerRowDelegate(QObject* parent = nullptr)
        : CRowDelegate(DrawComputerRow, parent) {}
};

class CCommandRowDelegate : public CRowDelegate {
public:
    explicit CCommandRowDelegate(QObject* parent = nullptr)
        : CRowDelegate(DrawCommandRow, parent) {}
};
