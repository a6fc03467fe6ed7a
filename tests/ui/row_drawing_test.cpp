#include "app/app.h"
#include "connection/command_list_view.h"
#include "common/screen_setup.h"
#include "discovery/computer_list_model.h"
#include "resources/bitmaps.h"
#include "resources/resource_ids.h"
#include "ui/command_list_model.h"
#include "ui/row_drawing.h"
#include "ui/row_list_view.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace {

const QColor kHighlight(200, 100, 255);

void UsePalette(QWidget& view) {
    QPalette palette = view.palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, kHighlight);
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::Text, Qt::black);
    }
    view.setPalette(palette);
}

QImage Grab(CRowListView& view) {
    view.doItemsLayout();
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The picture as it should look on a white row.
QImage OnWhite(int bitmapId) {
    QImage out(LoadBitmapResource(bitmapId).size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter(&out).drawImage(0, 0, LoadBitmapResource(bitmapId));
    return out;
}

void ExpectPictureAt(const QImage& grabbed, const QImage& picture, QPoint at) {
    int off = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb a = grabbed.pixel(at.x() + x, at.y() + y), b = picture.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 2 || std::abs(qGreen(a) - qGreen(b)) > 2 ||
                std::abs(qBlue(a) - qBlue(b)) > 2)
                ++off;
        }
    EXPECT_EQ(off, 0) << "picture pixels differ at " << at.x() << "," << at.y();
}

void ExpectNoKeyGreen(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_FALSE(qGreen(image.pixel(x, y)) > 200 && qRed(image.pixel(x, y)) < 90 &&
                         qBlue(image.pixel(x, y)) < 90)
                << "green at " << x << "," << y;
}

// The leftmost dark (text) pixel of a row at or right of fromX.
int FirstDarkColumn(const QImage& image, const QRect& row, int fromX) {
    for (int x = fromX; x < image.width(); ++x)
        for (int y = row.top(); y <= row.bottom(); ++y)
            if (qRed(image.pixel(x, y)) < 90 && qGreen(image.pixel(x, y)) < 90) return x;
    return -1;
}

struct ComputerList {
    CComputerListModel model;
    CRowListView view;
    explicit ComputerList(int width = 240) {
        view.setModel(&model);
        view.setItemDelegate(new CComputerRowDelegate(&view));
        UsePalette(view);
        view.resize(width, 300);
    }
};

}  // namespace

TEST(ComputerRow, SelectedRowRunsIntoTheHighlightAndSeventyPercentOfItWhilePressed) {
    CScreenSetup screen(96, 240, 320);
    ComputerList list;
    list.model.AppendRow(QStringLiteral("A"), kComputerRowData, 0);
    list.model.AppendRow(QStringLiteral("B"), kComputerRowData, 1);
    list.view.setCurrentIndex(list.model.index(1, 0));
    const QRect row = list.view.visualRect(list.model.index(1, 0));
    ASSERT_EQ(row.height(), 40);
    const int right = list.view.viewport()->width() - 1;
    const int y = row.top() + row.height() / 2;

    QImage image = Grab(list.view);
    EXPECT_EQ(image.pixel(right, y), kHighlight.rgb());
    EXPECT_EQ(image.pixel(right, 5), qRgb(255, 255, 255)) << "an unselected row has no gradient";
    const QRgb middle = image.pixel(right / 2 + 20, y);
    EXPECT_GT(qRed(middle), kHighlight.red());
    EXPECT_LT(qRed(middle), 255);

    g_app.m_rowPressed = true;
    image = Grab(list.view);
    g_app.m_rowPressed = false;
    EXPECT_EQ(image.pixel(right, y), qRgb(140, 70, 178));
}

TEST(ComputerRow, MonitorAtTheLeftEdgeTextFortyLogicalPixelsInHelpRowCentredWithoutPicture) {
    // At 96 dpi class 2's large monitor would not fit the 40-pixel row: the small one does.
    for (const auto& [dpi, work, bitmap] : {std::tuple{96, QSize(240, 320), IDB_MONITOR_SMALL},
                                            std::tuple{192, QSize(480, 640), IDB_MONITOR_LARGE},
                                            std::tuple{96, QSize(480, 640), IDB_MONITOR_SMALL}}) {
        CScreenSetup screen(dpi, work.width(), work.height());
        ComputerList list(work.width());
        list.model.AppendRow(QStringLiteral("Study"), kComputerRowData, 0);
        list.model.AppendRow(QStringLiteral("Can't see?"), kHelpRowData, -1);
        const QImage image = Grab(list.view);
        const QRect row = list.view.visualRect(list.model.index(0, 0));
        ASSERT_EQ(row.height(), 40 * dpi / 96);

        const QImage picture = OnWhite(bitmap);
        ExpectPictureAt(image, picture,
                        QPoint(0, row.top() + row.height() / 2 - picture.height() / 2));
        const int textX = FirstDarkColumn(image, row, picture.width());
        EXPECT_GE(textX, 40 * dpi / 96) << dpi;
        EXPECT_LE(textX, 40 * dpi / 96 + 3) << dpi;

        const QRect help = list.view.visualRect(list.model.index(1, 0));
        QRect dark;
        for (int y = help.top(); y <= help.bottom(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qRed(image.pixel(x, y)) < 90) dark |= QRect(x, y, 1, 1);
        ASSERT_FALSE(dark.isEmpty());
        EXPECT_GT(dark.left(), picture.width()) << "the help row shows no picture";
        EXPECT_NEAR(dark.center().x(), list.view.viewport()->width() / 2, 3);
        ExpectNoKeyGreen(image);
    }
}

TEST(ComputerRow, SleepingComputersStandDimmedUnderABandLikeTheHeaderLabels) {
    CScreenSetup screen(96, 240, 320);
    ComputerList list;
    list.view.setUniformItemSizes(false);
    list.model.AppendRow(QStringLiteral("Study"), kComputerRowData, 0);
    list.model.AppendRow(kSleepingHeaderText, kSleepingHeaderData, -1);
    list.model.AppendRow(QStringLiteral("Study"), kSleepingRowData, 1);
    const QImage image = Grab(list.view);
    const QRect header = list.view.visualRect(list.model.index(1, 0));
    EXPECT_EQ(header.height(), g_app.m_headerHeight);
    EXPECT_EQ(image.pixel(2, header.bottom()), qRgb(120, 60, 153)) << "60 % of the highlight";

    // The darkest pixel of each computer row: black text awake, 40 % of it asleep.
    const auto darkest = [&](int row) {
        const QRect r = list.view.visualRect(list.model.index(row, 0));
        int least = 255;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = 0; x < image.width(); ++x)
                least = std::min(least, qRed(image.pixel(x, y)));
        return least;
    };
    EXPECT_LT(darkest(0), 60);
    EXPECT_GT(darkest(2), 140);
    EXPECT_LT(darkest(2), 200) << "the sleeping row still shows its monitor and name";
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
        UsePalette(view);
        view.resize(work.width(), 5 * 60 * dpi / 96);
        view.setCurrentIndex(model.index(2, 0));
        const QImage image = Grab(view);
        for (int row = 0; row < 5; ++row) {
            const QRect r = view.visualRect(model.index(row, 0));
            const int id = CommandBitmapId(model.ItemData(row), size == 32 ? 0 : 2);
            ASSERT_EQ(LoadBitmapResource(id).width(), size);
            if (row != 2)
                ExpectPictureAt(image, OnWhite(id),
                                QPoint(2 * dpi / 96, r.top() + r.height() / 2 - size / 2));
            const int textX = FirstDarkColumn(image, r, 2 * dpi / 96 + size);
            EXPECT_GE(textX, 40 * dpi / 96);
            EXPECT_LE(textX, 40 * dpi / 96 + 3);
        }
        // Over the selection gradient too, no green shows.
        ExpectNoKeyGreen(image);
    }
}
