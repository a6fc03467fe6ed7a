#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

// Dialog templates as data: the page size and every control's place in dialog units, which
// DialogUnitsToPixels turns into pixels with the dialog font's metrics.

enum class CControlKind { Static, Icon, Edit, MultiLineEdit, PushButton, CheckBox };

// Control flags, as the templates give them.
constexpr unsigned kCtlCentred = 1u << 0;
constexpr unsigned kCtlNoPrefix = 1u << 1;
constexpr unsigned kCtlBorder = 1u << 2;
constexpr unsigned kCtlTabStop = 1u << 3;
constexpr unsigned kCtlPassword = 1u << 4;
constexpr unsigned kCtlReadOnly = 1u << 5;
constexpr unsigned kCtlVScroll = 1u << 6;
constexpr unsigned kCtlAutoHScroll = 1u << 7;

struct CControlTemplate {
    int id;
    CControlKind kind;
    QString text;
    QRect place;  // x, y, width, height in dialog units
    unsigned flags;
    QString name;  // the widget's objectName
};

struct CDialogTemplate {
    int id;
    QSize size;  // in dialog units
    QString fontFace;
    int pointSize;
    std::vector<CControlTemplate> controls;
};

// The template with this id, or nullptr when the resources hold none.
const CDialogTemplate* FindDialogTemplate(int id);

// The template's font at a vertical resolution of dpiY: the system's general face stands for
// the template's face, at the template's point size.
QFont DialogFont(const CDialogTemplate& dialog, int dpiY);

// Horizontal and vertical dialog base units of a font: the average width of the 52 Latin letters
// and the font's height, both in pixels.
QSize DialogBaseUnits(const QFont& font);

// A rectangle in dialog units in pixels: x and width scale by base.width / 4, y and height by
// base.height / 8, each rounded half up.
QRect DialogUnitsToPixels(const QRect& units, QSize base);
