#pragma once

// Sizes are laid out for 96 dots per inch and scaled with integer arithmetic, rounding half up.
constexpr int ScaleLogical(int n, int dpi) {
    return (n * dpi + 48) / 96;
}

// Screen class from the work area's right and bottom edges (coordinates, not sizes):
// 1 for square screens up to 320, 2 for screens at least 320 each way, 0 otherwise.
constexpr int ScreenClassFor(int workRight, int workBottom) {
    if (workRight == workBottom && workRight <= 320) return 1;
    if (workRight >= 320 && workBottom >= 320) return 2;
    return 0;
}

// Header height: 24 logical pixels, or 18 when the work area is less than 240 logical pixels high.
constexpr int HeaderHeightFor(int dpiY, int workBottom) {
    return workBottom < ScaleLogical(240, dpiY) ? ScaleLogical(18, dpiY) : ScaleLogical(24, dpiY);
}

// Pixel heights of the bold title and text fonts per screen class; not scaled by resolution.
struct FontHeights {
    int title;
    int text;
};
constexpr FontHeights FontHeightsFor(int screenClass) {
    switch (screenClass) {
        case 1: return {18, 16};
        case 2: return {20, 18};
        default: return {15, 13};
    }
}
