#include "app/app.h"
#include "common/screen_setup.h"
#include "ui/header_label.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

QImage Paint(CHeaderLabel& label) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 0, 255));
    palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0, 0, 255));
    palette.setColor(QPalette::Window, QColor(255, 255, 255));
    label.setPalette(palette);
    label.resize(200, 24);
    return label.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Bounding box of the text: white pixels on the dark lower half.
QRect WhiteTextInLowerHalf(const QImage& image) {
    QRect box;
    for (int y = image.height() / 2; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qRed(image.pixel(x, y)) > 200) box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace

// The caption is the same band with the smaller text font.
TEST(HeaderLabel, BandRunsFromBackgroundIntoDarkenedCaptionColourWithWhiteCentredTitle) {
    CScreenSetup screen(96, 240, 320);
    QList<int> textWidths;
    for (const bool title : {true, false}) {
        CHeaderLabel label(QStringLiteral("Visible Computers"), title);
        const QImage image = Paint(label);
        for (int y = 12; y < 24; ++y) EXPECT_EQ(image.pixel(1, y), qRgb(0, 0, 153)) << y;
        // Upper half, below the unpainted top row: from the background down towards the shade.
        EXPECT_GE(qRed(image.pixel(1, 1)), 240);
        EXPECT_GE(qBlue(image.pixel(1, 1)), 240);
        for (int y = 1; y < 12; ++y) {
            const QRgb p = image.pixel(1, y);
            EXPECT_LT(qRed(p), y > 1 ? qRed(image.pixel(1, y - 1)) : 256) << "row " << y;
            EXPECT_EQ(qRed(p), qGreen(p));
            EXPECT_GE(qBlue(p), 153);
        }
        EXPECT_LE(qRed(image.pixel(1, 11)), 30);
        const QRect text = WhiteTextInLowerHalf(image);
        ASSERT_FALSE(text.isEmpty()) << "no white title";
        EXPECT_NEAR(text.center().x(), 100, 3);
        textWidths << text.width();
    }
    EXPECT_LT(textWidths[1], textWidths[0]);
}

TEST(HeaderLabel, PlacedOneScaledPixelAboveTheClientArea) {
    for (const auto& [dpi, above] : {std::pair{96, 1}, {128, 1}, {192, 2}}) {
        CScreenSetup screen(dpi, 480, 640);
        QWidget page;
        CHeaderLabel* label =
            CreateHeaderLabel(g_app, &page, QRect(0, 0, 300, 400), QStringLiteral("Help"), 10002);
        EXPECT_EQ(label->geometry(), QRect(0, 0, 300, g_app.m_headerHeight));
        PlaceHeaderLabel(g_app, label, QRect(0, 0, 320, 380));
        EXPECT_EQ(label->geometry(), QRect(0, -above, 320, g_app.m_headerHeight)) << dpi;
    }
}
