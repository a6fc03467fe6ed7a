#include "ui/header_label.h"

#include "app/app.h"
#include "ui/control_id.h"

#include <QLinearGradient>
#include <QPainter>

#include <cmath>

void PaintHeaderBand(QPainter& painter, const QRect& r, const QPalette& palette,
                     const QString& text, const QFont& font) {
    const QColor caption = palette.color(QPalette::Active, QPalette::Highlight);
    const QColor background = palette.color(QPalette::Window);
    const int middle = r.top() + r.height() / 2;
    const QColor shade(int(std::floor(0.6 * caption.red())), int(std::floor(0.6 * caption.green())),
                       int(std::floor(0.6 * caption.blue())));

    painter.fillRect(QRect(r.left(), middle, r.width(), r.bottom() + 1 - middle), shade);
    const QRect upper(r.left(), r.top() + 1, r.width(), middle - (r.top() + 1));
    if (!upper.isEmpty()) {
        // Ends on pixel centres, so the first row is the background and the last the shade.
        QLinearGradient gradient(0, upper.top() + 0.5, 0, upper.bottom() + 0.5);
        gradient.setColorAt(0, background);
        gradient.setColorAt(1, shade);
        painter.fillRect(upper, gradient);
    }
    painter.setPen(Qt::white);
    painter.setFont(font);
    painter.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, text);
}

void PaintHeaderLabel(QLabel& label, bool useTitleFont) {
    QPainter painter(&label);
    PaintHeaderBand(painter, label.rect(), label.palette(), label.text(),
                    useTitleFont ? g_app.m_titleFont : g_app.m_textFont);
}

CHeaderLabel::CHeaderLabel(const QString& text, bool useTitleFont, QWidget* parent)
    : QLabel(text, parent), m_useTitleFont(useTitleFont) {
    setFont(useTitleFont ? g_app.m_titleFont : g_app.m_textFont);
    setAlignment(Qt::AlignCenter);
}

void CHeaderLabel::paintEvent(QPaintEvent*) {
    PaintHeaderLabel(*this, m_useTitleFont);
}

CHeaderLabel* CreateHeaderLabel(const CApp& app, QWidget* page, const QRect& client,
                                const QString& title, int controlId, bool useTitleFont) {
    auto* label = new CHeaderLabel(title, useTitleFont, page);
    label->setObjectName(QStringLiteral("header"));
    SetControlId(label, controlId);
    label->setGeometry(0, 0, client.width(), app.m_headerHeight);
    label->show();
    return label;
}

void PlaceHeaderLabel(const CApp& app, QWidget* label, const QRect& client) {
    const int onePixel = (app.m_logPixelsY + 48) / 96;
    label->setGeometry(client.left(), client.top() - onePixel, client.right() + 1,
                       app.m_headerHeight);
}
