#include "app/app.h"
#include "common/screen_setup.h"
#include "connection/command_list_view.h"
#include "discovery/computer_list_model.h"
#include "resources/bitmaps.h"
#include "resources/resource_ids.h"
#include "ui/command_list_model.h"
#include "ui/header_label.h"
#include "ui/row_drawing.h"
#include "ui/row_list_view.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace {

const QColor kHighlight(200, 100, 255);

// The widget (a view's rows) drawn on white in black with the given highlight colour.
QImage Grab(QWidget& widget, const QColor& highlight = kHighlight) {
    QPalette palette = widget.palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, highlight);
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::Window, Qt::white);
        palette.setColor(group, QPalette::Text, Qt::black);
    }
    widget.setPalette(palette);
    QWidget* drawn = &widget;
    if (auto* view = qobject_cast<QAbstractItemView*>(&widget)) {
        view->doItemsLayout();
        drawn = view->viewport();
    }
    return drawn->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The bounding box of the pixels in area that match.
template <class Match>
QRect PixelsWhere(const QImage& image, const QRect& area, Match match) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (match(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}
bool Dark(QRgb p) {
    return qRed(p) < 90 && qGreen(p) < 90;
}
// The colour that stands for transparency in the bitmaps must never show.
bool KeyGreen(QRgb p) {
    return qGreen(p) > 200 && qRed(p) < 90 && qBlue(p) < 90;
}

// The row shows the bitmap at x, centred on the row (as drawn on white when the row is white),
// and its text starts 40 logical pixels in.
void ExpectRow(const QImage& image, const QRect& row, int dpi, int bitmapId, int x, bool white) {
    const QImage bitmap = LoadBitmapResource(bitmapId);
    if (white) {
        QImage picture(bitmap.size(), QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter(&picture).drawImage(0, 0, bitmap);
        const QPoint at(x, row.top() + row.height() / 2 - picture.height() / 2);
        EXPECT_TRUE(image.copy(QRect(at, picture.size())) == picture) << "picture " << bitmapId;
    }
    const QRect text = PixelsWhere(image, row.adjusted(x + bitmap.width(), 0, 0, 0), Dark);
    EXPECT_GE(text.left(), 40 * dpi / 96);
    EXPECT_LE(text.left(), 40 * dpi / 96 + 3);
}

}  // namespace

// A header label's title is white and centred, a caption's in the smaller text font.
TEST(HeaderLabel, WhiteCentredTitleAndSmallerCaption) {
    CScreenSetup screen(96, 240, 320);
    QList<int> textWidths;
    for (const bool title : {true, false}) {
        CHeaderLabel label(QStringLiteral("Visible Computers"), title);
        label.resize(200, 24);
        const QRect text =
            PixelsWhere(Grab(label), QRect(0, 12, 200, 12), [](QRgb p) { return qGreen(p) > 200; });
        ASSERT_FALSE(text.isEmpty()) << "no white title";
        EXPECT_NEAR(text.center().x(), 100, 3);
        textWidths << text.width();
    }
    EXPECT_LT(textWidths[1], textWidths[0]);
}

// At 96 dpi class 2's large monitor would not fit the 40-pixel row, so the small one stands in.
// The selected row runs into the highlight, into 70 % of it while pressed.
TEST(ComputerRow, MonitorNameHelpSelectionAndSleepingRowsAtEachScreenClass) {
    for (const auto& [dpi, work, bitmap] : {std::tuple{96, QSize(240, 320), IDB_MONITOR_SMALL},
                                            std::tuple{192, QSize(480, 640), IDB_MONITOR_LARGE},
                                            std::tuple{96, QSize(480, 640), IDB_MONITOR_SMALL}}) {
        SCOPED_TRACE(dpi);
        CScreenSetup screen(dpi, work.width(), work.height());
        CComputerListModel model;
        CRowListView view;
        view.setModel(&model);
        view.setItemDelegate(new CComputerRowDelegate(&view));
        view.setUniformItemSizes(false);
        view.resize(work.width(), 300 * dpi / 96);
        model.AppendRow(QStringLiteral("Study"), kComputerRowData, 0);
        model.AppendRow(QStringLiteral("B"), kComputerRowData, 1);
        model.AppendRow(QStringLiteral("Can't see?"), kHelpRowData, -1);
        model.AppendRow(kSleepingHeaderText, kSleepingHeaderData, -1);
        model.AppendRow(QStringLiteral("Study"), kSleepingRowData, 2);
        view.setCurrentIndex(model.index(1, 0));
        const auto row = [&](int r) { return view.visualRect(model.index(r, 0)); };
        QImage image = Grab(view);
        ASSERT_EQ(row(0).height(), 40 * dpi / 96);
        const int picture = LoadBitmapResource(bitmap).width();
        ExpectRow(image, row(0), dpi, bitmap, 0, true);
        const QRect help = PixelsWhere(image, row(2), Dark);
        ASSERT_FALSE(help.isEmpty());
        EXPECT_GT(help.left(), picture) << "the help row shows no picture";
        EXPECT_NEAR(help.center().x(), view.viewport()->width() / 2, 3);
        EXPECT_TRUE(PixelsWhere(image, image.rect(), KeyGreen).isEmpty());

        const int right = view.viewport()->width() - 1;
        EXPECT_EQ(image.pixel(right, row(1).center().y()), kHighlight.rgb());
        EXPECT_EQ(image.pixel(right, row(0).center().y()), qRgb(255, 255, 255));
        const QRgb middle = image.pixel(right / 2 + 20, row(1).center().y());
        EXPECT_GT(qRed(middle), kHighlight.red());
        EXPECT_LT(qRed(middle), 255);

        // The band: 60 % of the highlight below the middle, above it (under the unpainted top
        // row) from the background down to that.
        const QRect band = row(3);
        const int half = band.top() + band.height() / 2;
        EXPECT_EQ(band.height(), g_app.m_headerHeight);
        EXPECT_EQ(image.pixel(2, band.bottom()), qRgb(120, 60, 153));
        EXPECT_EQ(image.pixel(2, half), qRgb(120, 60, 153));
        EXPECT_GE(qGreen(image.pixel(2, band.top() + 1)), 230);
        EXPECT_LT(qGreen(image.pixel(2, half - 1)), qGreen(image.pixel(2, half - 2)));
        EXPECT_LE(qGreen(image.pixel(2, half - 1)), 70);
        // Asleep, 40 % of the black text: the monitor and name still show, dimmed.
        EXPECT_FALSE(PixelsWhere(image, row(4), [](QRgb p) { return qRed(p) < 200; }).isEmpty());
        EXPECT_TRUE(PixelsWhere(image, row(4), [](QRgb p) { return qRed(p) < 141; }).isEmpty());

        g_app.m_rowPressed = true;
        image = Grab(view);
        g_app.m_rowPressed = false;
        EXPECT_EQ(image.pixel(right, row(1).center().y()), qRgb(140, 70, 178));
    }
}

TEST(CommandRow, PicturesTwoLogicalPixelsInSizedByScreenClassOverAnyBackground) {
    for (const auto& [dpi, work, size] :
         {std::tuple{96, QSize(240, 320), 32}, std::tuple{96, QSize(240, 240), 32},
          std::tuple{192, QSize(480, 640), 48},
          // Class 2 at 96 dpi: the medium picture would reach under the text, the small one not.
          std::tuple{96, QSize(480, 800), 32}}) {
        CScreenSetup screen(dpi, work.width(), work.height());
        CCommandListModel model;
        CCommandListView view;
        view.setModel(&model);
        view.resize(work.width(), 5 * 60 * dpi / 96);
        view.setCurrentIndex(model.index(2, 0));
        const QImage image = Grab(view);
        for (int row = 0; row < 5; ++row) {
            const QRect r = view.visualRect(model.index(row, 0));
            const int id = CommandBitmapId(model.ItemData(row), size == 32 ? 0 : 2);
            ASSERT_EQ(LoadBitmapResource(id).width(), size);
            ExpectRow(image, r, dpi, id, 2 * dpi / 96, row != 2);
        }
        // Over the selection gradient too, no green shows.
        EXPECT_TRUE(PixelsWhere(image, image.rect(), KeyGreen).isEmpty());
    }
}
