#pragma once

#include <QLabel>
#include <QRect>
#include <QString>

class CApp;
class QPainter;

// The band behind every header and caption: the lower half in 60 % of the active caption colour,
// above it a vertical gradient from the background into that shade, the label's text white and
// centred. The topmost pixel row is left as it is. "Active caption" is the palette's Highlight
// of the Active group, the background its Window colour; both are read at every paint.
void PaintHeaderLabel(QLabel& label, bool useTitleFont);
// The same band in any rectangle r, with the given text and font.
void PaintHeaderBand(QPainter& painter, const QRect& r, const QPalette& palette,
                     const QString& text, const QFont& font);

// A header (title font) or caption (text font) label. It behaves as a plain QLabel in every way
// but painting: text, alignment and size hints work as usual.
class CHeaderLabel : public QLabel {
    Q_OBJECT
public:
    CHeaderLabel(const QString& text, bool useTitleFont, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_useTitleFont;
};

// Creates a page's header label: at (0, 0), as wide as the page's client area and
// m_headerHeight high, with the control id and objectName "header" so it can be found.
CHeaderLabel* CreateHeaderLabel(const CApp& app, QWidget* page, const QRect& client,
                                const QString& title, int controlId, bool useTitleFont = true);

// Moves a header label to the top of a resized client area: one scaled pixel above it
// ((m_logPixelsY + 48) / 96: 1 at 96 and 128 dpi, 2 at 192), so the page's top edge is hidden.
void PlaceHeaderLabel(const CApp& app, QWidget* label, const QRect& client);
