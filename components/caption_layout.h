#pragma once

// The caption strip's layout rules: where the caption row, its buttons and the form's single
// fixed border go, the bands of the colour gradient, and where the icon and the three texts
// are drawn. They are plain functions over the structs below, so that they can be checked without
// a screen.

#include <QColor>
#include <QFlags>
#include <QFont>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

#include "platform/windowing/system_metrics.h"

namespace chiffrel {

enum TBorderIcon { biSystemMenu = 0x1, biMinimize = 0x2, biMaximize = 0x4 };
Q_DECLARE_FLAGS(TBorderIcons, TBorderIcon)

// A rectangle by its edges; right and bottom are exclusive.
struct EdgeRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    QRect ToQRect() const { return {left, top, right - left, bottom - top}; }
    bool operator==(const EdgeRect&) const = default;
};

// What the caption needs to know about its form.
struct CaptionFrame {
    TBorderIcons borderIcons = {biSystemMenu, biMinimize};
    QSize windowSize;
};

// The caption row in window coordinates: the window inset by its border, one caption high.
EdgeRect CaptionRowRect(const CaptionFrame& frame, const SystemMetrics& metrics);

// The part of the caption row that the strip paints: the row less the caption buttons, never
// narrower than 2 pixels.
EdgeRect GetCaptionRect(const CaptionFrame& frame, const SystemMetrics& metrics);

struct CaptionButtonRects {
    std::optional<EdgeRect> close;
    std::optional<EdgeRect> maximize;
    std::optional<EdgeRect> minimize;
};

// Where the caption buttons sit, in the room that GetCaptionRect leaves at the right.
CaptionButtonRects GetCaptionButtonRects(const CaptionFrame& frame, const SystemMetrics& metrics);

// The metrics of a strip whose tallest text is `textHeight` pixels high: the caption rows are made
// higher than `metrics` gives them where that text would not have a pixel above and below it.
SystemMetrics CaptionMetricsFor(const SystemMetrics& metrics, int textHeight);

// Room a form leaves around its client area for its border and caption.
QMargins FormFrameMargins(const SystemMetrics& metrics);

// number × numerator / denominator without overflow, rounded to nearest, halves away from zero.
// The denominator must not be 0.
int MulDiv(int number, int numerator, int denominator);

struct GradientBand {
    int left;   // inclusive
    int right;  // exclusive
    QColor color;
    bool operator==(const GradientBand&) const = default;
};

// `numColors` bands from `start` at the left to `end` at the right, of widths differing by at
// most one pixel; a single band has the start colour.
std::vector<GradientBand> GradientBands(const QColor& start, const QColor& end, int left, int right,
                                        int numColors);

// Measured width of a text element as the layout counts it: the text's width on one line plus
// the 3-pixel gap in front of it.
int MeasureTextElement(const QString& text, const QFont& font);

// One text element as the layout sees it.
struct CaptionTextInput {
    int measuredWidth;  // MeasureTextElement
    bool empty;
};

// Where one text element is drawn: its text starts at bounds.left and is cut with an ellipsis at
// bounds.right; textWidth is its full width.
struct TextPlacement {
    bool drawn = false;
    EdgeRect bounds;
    int textWidth = 0;
    // The part of the strip that the text can ink.
    EdgeRect Inked() const;
};

struct CaptionLayout {
    EdgeRect caption;
    std::optional<EdgeRect> icon;
    TextPlacement company;
    TextPlacement appName;
    TextPlacement captionText;
};

// Whether the caption shows the small icon at its left.
bool ShowsCaptionIcon(const CaptionFrame& frame);

// Places the icon and the three texts side by side from the left of `caption`. The company label
// is dropped first, then the application name, when the texts do not all fit; the caption text
// is always placed.
CaptionLayout LayOutCaption(const EdgeRect& caption, bool withIcon, const SystemMetrics& metrics,
                            const CaptionTextInput& company, const CaptionTextInput& appName,
                            const CaptionTextInput& captionText);

}  // namespace chiffrel

Q_DECLARE_OPERATORS_FOR_FLAGS(chiffrel::TBorderIcons)
