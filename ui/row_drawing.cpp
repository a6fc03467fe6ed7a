#include "ui/row_drawing.h"

#include "app/app.h"
#include "app/screen_metrics.h"
#include "discovery/computer_list_model.h"
#include "resources/bitmaps.h"
#include "ui/header_label.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

static_assert(kRowItemDataRole == CComputerListModel::ItemDataRole);

namespace {

void DrawSelection(QPainter& painter, const QStyleOptionViewItem& option) {
    if (!(option.state & QStyle::State_Selected)) return;
    const QColor base = option.palette.color(QPalette::Base);
    const QColor highlight = option.palette.color(QPalette::Active, QPalette::Highlight);
    const float f = g_app.m_rowPressed ? 0.7f : 1.0f;
    const QColor end(int(std::floor(highlight.red() * f)), int(std::floor(highlight.green() * f)),
                     int(std::floor(highlight.blue() * f)));
    const QRect r = option.rect.adjusted(0, 1, 0, 0);
    // Ends on pixel centres, so the rightmost column is exactly the end colour.
    QLinearGradient gradient(r.left() + 0.5, 0, r.right() + 0.5, 0);
    gradient.setColorAt(0, base);
    gradient.setColorAt(1, end);
    painter.fillRect(r, gradient);
}

// The picture for a bitmap id; a large picture that would not fit its room (the row's height,
// and the space before the text) gives way to the small one: a class 2 screen at low
// resolution has rows and text offsets smaller than the large pictures.
QImage RowPicture(int id, int smallId, const QSize& room) {
    QImage image = LoadBitmapResource(id);
    if (id != smallId && (image.height() > room.height() || image.width() > room.width()))
        image = LoadBitmapResource(smallId);
    return image;
}

void DrawPicture(QPainter& painter, const QImage& image, const QRect& row, int x) {
    if (image.isNull()) return;
    const int y = row.top() + row.height() / 2 - image.height() / 2;
    painter.drawImage(QPoint(x, y), image);
}

void DrawText(QPainter& painter, const QStyleOptionViewItem& option, const QRect& rect,
              const QString& text, Qt::Alignment alignment, const QFont& font) {
    painter.setFont(font);
    painter.setPen(option.palette.color(QPalette::Text));
    const QFontMetrics metrics(font);
    if (metrics.horizontalAdvance(text) <= rect.width()) {
        painter.drawText(rect, int(alignment | Qt::AlignVCenter | Qt::TextSingleLine), text);
    } else if (alignment & Qt::AlignHCenter) {
        // The help row on a narrow screen: two centred lines rather than a cut sentence.
        painter.drawText(rect, int(Qt::AlignCenter | Qt::TextWordWrap), text);
    } else {
        painter.drawText(rect, int(alignment | Qt::AlignVCenter | Qt::TextSingleLine),
                         metrics.elidedText(text, Qt::ElideRight, rect.width()));
    }
}

}  // namespace

int RowHeight() {
    return ScaleLogical(40, g_app.m_logPixelsY);
}

int RowHeight(const QModelIndex& index) {
    if (index.data(kRowItemDataRole).toInt() == kSleepingHeaderData) return g_app.m_headerHeight;
    return RowHeight();
}

void DrawComputerRow(QPainter& painter, const QStyleOptionViewItem& option,
                     const QModelIndex& index) {
    painter.save();
    DrawSelection(painter, option);
    const int itemData = index.data(kRowItemDataRole).toInt();
    const QString text = index.data(Qt::DisplayRole).toString();
    const QRect& r = option.rect;
    if (itemData == kSleepingHeaderData) {
        PaintHeaderBand(painter, r, option.palette, text, g_app.m_titleFont);
    } else if (itemData == kHelpRowData || itemData == 0) {
        DrawText(painter, option, r, text, Qt::AlignHCenter, g_app.m_titleFont);
    } else {
        const int textLeft = ScaleLogical(40, g_app.m_logPixelsX);
        // A sleeping computer: the same row, dimmed.
        if (itemData == kSleepingRowData) painter.setOpacity(kSleepingOpacity);
        const QImage monitor = RowPicture(ComputerBitmapId(g_app.m_screenClass),
                                          ComputerBitmapId(0), QSize(textLeft, r.height()));
        DrawPicture(painter, monitor, r, r.left());
        QRect textRect = r.adjusted(textLeft, 0, 0, 0);
        const QString detail = index.data(CComputerListModel::DetailRole).toString();
        if (!detail.isEmpty()) {
            // At the right edge, in the text font, taking at most half of the room.
            const int margin = ScaleLogical(4, g_app.m_logPixelsX);
            const int width = std::min(QFontMetrics(g_app.m_textFont).horizontalAdvance(detail),
                                       textRect.width() / 2);
            const QRect detailRect(textRect.right() - margin - width + 1, r.top(), width,
                                   r.height());
            DrawText(painter, option, detailRect, detail, Qt::AlignRight, g_app.m_textFont);
            textRect.setRight(detailRect.left() - margin - 1);
        }
        DrawText(painter, option, textRect, text, Qt::AlignLeft, g_app.m_titleFont);
    }
    painter.restore();
}

void DrawCommandRow(QPainter& painter, const QStyleOptionViewItem& option,
                    const QModelIndex& index) {
    painter.save();
    DrawSelection(painter, option);
    const int itemData = index.data(kRowItemDataRole).toInt();
    const QRect& r = option.rect;
    const int pictureLeft = ScaleLogical(2, g_app.m_logPixelsX);
    const int textLeft = ScaleLogical(40, g_app.m_logPixelsX);
    const QImage picture =
        RowPicture(CommandBitmapId(itemData, g_app.m_screenClass), CommandBitmapId(itemData, 0),
                   QSize(textLeft - pictureLeft, r.height()));
    DrawPicture(painter, picture, r, r.left() + pictureLeft);
    const QRect textRect = r.adjusted(textLeft, 0, 0, 0);
    DrawText(painter, option, textRect, index.data(Qt::DisplayRole).toString(), Qt::AlignLeft,
             option.font);
    painter.restore();
}

void CRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    m_draw(*painter, option, index);
}

QSize CRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return {option.rect.width(), RowHeight(index)};
}
