#include "components/caption_layout.h"

#include <QFontMetrics>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace chiffrel {
namespace {

constexpr int kTextGap = 3;

bool IsToolWindow(TFormBorderStyle style) {
    return style == TFormBorderStyle::bsToolWindow || style == TFormBorderStyle::bsSizeToolWin;
}

bool IsSizeable(TFormBorderStyle style) {
    return style == TFormBorderStyle::bsSizeable || style == TFormBorderStyle::bsSizeToolWin;
}

bool HasSystemMenuBox(TFormBorderStyle style) {
    return style == TFormBorderStyle::bsSingle || style == TFormBorderStyle::bsSizeable;
}

int CaptionHeight(TFormBorderStyle style, const SystemMetrics& metrics) {
    return IsToolWindow(style) ? metrics.cySmCaption : metrics.cyCaption;
}

QSize BorderSize(TFormBorderStyle style, const SystemMetrics& metrics) {
    return IsSizeable(style) ? QSize(metrics.cxFrame, metrics.cyFrame)
                             : QSize(metrics.cxDlgFrame, metrics.cyDlgFrame);
}

}  // namespace

EdgeRect CaptionRowRect(const CaptionFrame& frame, const SystemMetrics& metrics) {
    if (frame.borderStyle == TFormBorderStyle::bsNone) {
        return {};
    }
    // A minimized window has the thin border whatever its style.
    const QSize border = frame.minimized ? QSize(metrics.cxDlgFrame, metrics.cyDlgFrame)
                                         : BorderSize(frame.borderStyle, metrics);
    EdgeRect row{border.width(), border.height(), frame.windowSize.width() - border.width(),
                 frame.windowSize.height() - border.height()};
    row.bottom = row.top + CaptionHeight(frame.borderStyle, metrics) - 1;
    return row;
}

EdgeRect GetCaptionRect(const CaptionFrame& frame, const SystemMetrics& metrics) {
    EdgeRect caption = CaptionRowRect(frame, metrics);
    const TFormBorderStyle style = frame.borderStyle;
    const TBorderIcons icons = frame.borderIcons;
    if (IsToolWindow(style)) {
        caption.right -= metrics.cxSmSize + 2;
    } else if (style != TFormBorderStyle::bsNone) {
        const int button = metrics.cxSize;
        if (icons.testFlag(biSystemMenu) && frame.newStyle) {
            caption.right -= button + 2;
        }
        if (style == TFormBorderStyle::bsDialog && icons.testFlag(biHelp)) {
            caption.right -= button + 2;
        }
        if (style != TFormBorderStyle::bsDialog &&
            (icons.testFlag(biMinimize) || icons.testFlag(biMaximize))) {
            caption.right -= 2 * button;
        }
        if (icons.testFlag(biSystemMenu) && !frame.newStyle && HasSystemMenuBox(style)) {
            caption.left += button;
        }
    }
    if (caption.left >= caption.right) {
        caption.right = caption.left + 2;
    }
    return caption;
}

CaptionButtonRects GetCaptionButtonRects(const CaptionFrame& frame, const SystemMetrics& metrics) {
    CaptionButtonRects buttons;
    const TFormBorderStyle style = frame.borderStyle;
    if (style == TFormBorderStyle::bsNone) {
        return buttons;
    }
    const EdgeRect row = CaptionRowRect(frame, metrics);
    const int top = row.top + 2;
    const int height = CaptionHeight(style, metrics) - 5;
    const int width = (IsToolWindow(style) ? metrics.cxSmSize : metrics.cxSize) - 2;
    int right = row.right - 2;
    const auto take = [&](int gapAfter) {
        const EdgeRect box{right - width, top, right, top + height};
        right -= width + gapAfter;
        return box;
    };
    const TBorderIcons icons = frame.borderIcons;
    if (IsToolWindow(style)) {
        buttons.close = take(2);
        return buttons;
    }
    if (icons.testFlag(biSystemMenu) && frame.newStyle) {
        buttons.close = take(2);
    }
    if (style == TFormBorderStyle::bsDialog && icons.testFlag(biHelp)) {
        buttons.help = take(2);
    }
    if (style != TFormBorderStyle::bsDialog &&
        (icons.testFlag(biMinimize) || icons.testFlag(biMaximize))) {
        buttons.maximize = take(0);
        buttons.minimize = take(0);
    }
    return buttons;
}

SystemMetrics CaptionMetricsFor(const SystemMetrics& metrics, int textHeight) {
    // The row's last line separates the caption from the client area; above it the text keeps a
    // pixel on either side.
    const int rowHeight = textHeight + 3;
    SystemMetrics fitted = metrics;
    fitted.cyCaption = std::max(metrics.cyCaption, rowHeight);
    fitted.cySmCaption = std::max(metrics.cySmCaption, rowHeight);
    return fitted;
}

QMargins FormFrameMargins(TFormBorderStyle borderStyle, const SystemMetrics& metrics) {
    if (borderStyle == TFormBorderStyle::bsNone) {
        return {};
    }
    const QSize border = BorderSize(borderStyle, metrics);
    return {border.width(), border.height() + CaptionHeight(borderStyle, metrics), border.width(),
            border.height()};
}

int MulDiv(int number, int numerator, int denominator) {
    const std::int64_t product = std::int64_t{number} * numerator;
    std::int64_t quotient = product / denominator;
    const std::int64_t remainder = product % denominator;
    if (2 * std::llabs(remainder) >= std::llabs(denominator)) {
        quotient += (product < 0) == (denominator < 0) ? 1 : -1;
    }
    return static_cast<int>(quotient);
}

std::vector<GradientBand> GradientBands(const QColor& start, const QColor& end, int left, int right,
                                        int numColors) {
    const int width = right - left;
    const auto channel = [&](int from, int to, int band) {
        return numColors == 1 ? from : from + MulDiv(band, to - from, numColors - 1);
    };
    std::vector<GradientBand> bands;
    bands.reserve(static_cast<std::size_t>(numColors));
    for (int band = 0; band < numColors; ++band) {
        bands.push_back({left + MulDiv(band, width, numColors),
                         left + MulDiv(band + 1, width, numColors),
                         QColor(channel(start.red(), end.red(), band),
                                channel(start.green(), end.green(), band),
                                channel(start.blue(), end.blue(), band))});
    }
    return bands;
}

int MeasureTextElement(const QString& text, const QFont& font) {
    return QFontMetrics(font).horizontalAdvance(text) + kTextGap;
}

EdgeRect TextPlacement::Inked() const {
    return {bounds.left, bounds.top,
            std::max(bounds.left, std::min(bounds.left + textWidth, bounds.right)), bounds.bottom};
}

bool ShowsCaptionIcon(const CaptionFrame& frame) {
    return frame.newStyle && frame.borderIcons.testFlag(biSystemMenu) &&
           HasSystemMenuBox(frame.borderStyle);
}

CaptionLayout LayOutCaption(const EdgeRect& caption, bool withIcon, bool newStyle,
                            const SystemMetrics& metrics, const CaptionTextInput& company,
                            const CaptionTextInput& appName, const CaptionTextInput& captionText) {
    CaptionLayout layout;
    layout.caption = caption;
    EdgeRect free = caption;
    if (withIcon) {
        free.left += 1;
        layout.icon = EdgeRect{free.left + 1, free.top + 1, free.left + 1 + metrics.cxSmIcon,
                               free.top + 1 + metrics.cySmIcon};
        free.left += metrics.cxSmIcon + 1;
    }
    // The fit test counts every chosen element, visible or empty, so that hiding a text does not
    // move the others.
    const int available = free.Width();
    int used = company.measuredWidth + appName.measuredWidth + captionText.measuredWidth;
    const bool showCompany = used < available;
    bool showApp = true;
    if (!showCompany) {
        used = appName.measuredWidth + captionText.measuredWidth;
        showApp = used < available;
    }
    if (!showApp) {
        used = captionText.measuredWidth;
    }
    if (!newStyle && used < available) {
        free.left += (available - used) / 2;
    }
    const auto place = [&](const CaptionTextInput& text) {
        TextPlacement placement;
        placement.drawn = true;
        free.left += kTextGap;
        placement.bounds = {free.left, free.top, free.right, free.bottom};
        placement.textWidth = text.measuredWidth - kTextGap;
        free.left += placement.textWidth;
        return placement;
    };
    if (showCompany && company.visible && !company.empty) {
        layout.company = place(company);
    }
    if (showApp && appName.visible && !appName.empty) {
        layout.appName = place(appName);
    }
    if (captionText.visible) {
        layout.captionText = place(captionText);
    }
    return layout;
}

}  // namespace chiffrel
