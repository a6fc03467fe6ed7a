#include "app/screen_metrics.h"
#include "common/page_driver.h"
#include "common/test_app.h"
#include "connection/command_list_view.h"
#include "discovery/computer_list_model.h"
#include "platform/message_box.h"
#include "resources/bitmaps.h"
#include "resources/dialog_templates.h"
#include "resources/menu_bar_records.h"
#include "resources/resource_ids.h"
#include "ui/command_list_model.h"
#include "ui/header_label.h"
#include "ui/row_drawing.h"
#include "ui/row_list_view.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QWindow>

namespace {

// A page that makes itself full screen with a given bar and records what reaches it.
class CTestPage : public CPage {
public:
    explicit CTestPage(int record) : m_record(record) {}
    void OnCommand(int id) override {
        m_commands.push_back(id);
        CPage::OnCommand(id);
    }
    int m_record;
    bool m_barMade = false;
    std::vector<int> m_commands;
    QRect m_lastClient;

protected:
    void OnInitDialog() override { m_barMade = InitFullScreenDialog(g_app, *this, m_record); }
    void OnSize(const QRect& client) override { m_lastClient = client; }
};

QList<QWindow*> ShownWindows() {
    QList<QWindow*> shown;
    for (QWindow* window : QGuiApplication::topLevelWindows())
        if (window->isVisible()) shown << window;
    return shown;
}

class PageTest : public ::testing::Test {
protected:
    CTestApp m_app;
    QWidget& m_main = m_app.PlainMainWindow();
};

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

TEST_F(PageTest, APageIsPartOfTheMainWindowCoveringItsClientAreaOverItsKeysAt96And192Dpi) {
    for (const auto& [dpi, resized] : {std::pair{96, QSize(300, 400)}, {192, QSize(600, 900)}}) {
        SCOPED_TRACE(dpi);
        CScreenSetup screen(dpi, 240 * dpi / 96, 320 * dpi / 96);
        m_main.resize(240 * dpi / 96, 320 * dpi / 96);
        CTestPage page(IDR_COMMAND_MENU);
        WithOpenPage(
            [&] { RunDialog(IDD_COMMAND_SCREEN, &m_main, page); },
            [&](CPage&) {
                EXPECT_EQ(page.parentWidget(), &m_main);
                EXPECT_FALSE(page.isWindow());
                EXPECT_EQ(page.geometry(), m_main.rect());
                EXPECT_EQ(ShownWindows(), QList<QWindow*>{m_main.windowHandle()});
                EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the window takes a close";
                m_main.resize(resized);
                EXPECT_EQ(page.geometry(), m_main.rect());
                const int bar = ScaleLogical(26, dpi);
                EXPECT_EQ(page.m_lastClient, QRect(0, 0, resized.width(), resized.height() - bar));
                EXPECT_EQ(page.ClientRect(), page.m_lastClient);
                CSoftKeyBar* keys = page.SoftKeyBar();
                EXPECT_EQ(keys->geometry(), QRect(0, resized.height() - bar, resized.width(), bar));
                EXPECT_LT(keys->Button(0)->geometry().right(), keys->Button(1)->geometry().x());
                ASSERT_EQ(keys->ButtonCount(), 2);
                EXPECT_EQ(keys->Button(0)->text() + keys->Button(1)->text(), "ToolsBack");
                keys->Menu(0)->actions()[3]->trigger();  // About...
                ClickSoftKey(page, 1);
                // A message box is the one other window, owned by the main window; it is gone once
                // Show returns, so its owner is read while it is up.
                QList<QWindow*> owners;
                QTimer::singleShot(0, [&] {
                    for (QWindow* window : ShownWindows()) owners << window->transientParent();
                    qobject_cast<QDialog*>(QApplication::activeModalWidget())->done(0);
                });
                platform::CMessageBoxes().Show(&page, "Text", "Dormo", platform::MB_OK);
                EXPECT_EQ(owners.size(), 2);
                EXPECT_TRUE(owners.contains(m_main.windowHandle()));
            });
        EXPECT_EQ(page.m_commands, (std::vector<int>{IDM_ABOUT, IDM_BACK}));
    }
    // Without its record a page fills the window; without its template none opens.
    CTestPage page(999);
    WithOpenPage([&] { RunDialog(IDD_HELP, &m_main, page); },
                 [&](CPage&) { EXPECT_EQ(page.ClientRect(), m_main.rect()); });
    EXPECT_FALSE(page.m_barMade);
    CTestPage unopened(IDR_CLOSE_BAR);
    EXPECT_EQ(RunDialog(999, &m_main, unopened), -1);
    EXPECT_FALSE(unopened.m_barMade);
    EXPECT_FALSE(unopened.isVisible());
}

TEST_F(PageTest, APageOverAPageHidesItAndWhateverEndsFirstTheRightOneShows) {
    // Stands for the main window's list, which takes no input while a page is up.
    QListWidget list(&m_main);
    list.show();
    m_main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_main));
    list.setFocus();
    for (const bool lowerEndsFirst : {false, true}) {
        SCOPED_TRACE(lowerEndsFirst);
        CTestPage lower(IDR_COMMAND_MENU);
        CTestPage upper(IDR_CLOSE_BAR);
        WithOpenPage([&] { RunDialog(IDD_COMMAND_SCREEN, &m_main, lower); },
                     [&](CPage&) {
                         EXPECT_TRUE(list.isHidden());
                         EXPECT_EQ(FrontPage(), &lower);
                         QTimer::singleShot(0, [&] {
                             EXPECT_EQ(FrontPage(), &upper);
                             EXPECT_TRUE(lower.isHidden());
                             if (lowerEndsFirst) lower.done(0);  // a lost connection under About
                             EXPECT_TRUE(list.isHidden());
                             upper.done(0);
                         });
                         RunDialog(IDD_ABOUT, &lower, upper);
                         EXPECT_EQ(lower.isVisible(), !lowerEndsFirst);
                         EXPECT_EQ(list.isVisible(), lowerEndsFirst);
                         EXPECT_EQ(FrontPage(), lowerEndsFirst ? nullptr : &lower);
                     });
        EXPECT_EQ(FrontPage(), nullptr);
        EXPECT_TRUE(list.isVisible());
        EXPECT_TRUE(list.hasFocus()) << "the focus goes back where it was";
    }
}

// Each record's buttons are checked through the real bars above and in the page tests.
TEST(Resources, ShortRecordsAreRefusedAndDialogUnitsBecomePixelsRoundingHalfUp) {
    EXPECT_FALSE(ParseMenuBarRecord(std::vector<uint16_t>{130, 2, 65534, 1, 4, 16, 7, 0, 65535}));
    EXPECT_FALSE(ParseMenuBarRecord(std::vector<uint16_t>{130}));
    EXPECT_TRUE(LoadBitmapResource(999).isNull());
    EXPECT_EQ(DialogUnitsToPixels(QRect(4, 21, 68, 10), QSize(6, 13)), QRect(6, 34, 102, 16));
    EXPECT_EQ(DialogUnitsToPixels(QRect(1, 4, 2, 12), QSize(6, 13)), QRect(2, 7, 3, 20));
    // A larger font gives a proportionally larger page.
    const CDialogTemplate* options = FindDialogTemplate(IDD_OPTIONS);
    const QSize at96 = DialogBaseUnits(DialogFont(*options, 96));
    const QSize at192 = DialogBaseUnits(DialogFont(*options, 192));
    EXPECT_GT(at96.width(), 3);
    EXPECT_NEAR(at192.width(), 2 * at96.width(), 2);
    EXPECT_NEAR(at192.height(), 2 * at96.height(), 2);
}

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
