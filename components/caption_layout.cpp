#include "components/caption_layout.h"

#include <QFontMetrics>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace chiffrel {
namespace {

constexpr int kTextGap = 3;

}  // namespace

EdgeRect CaptionRowRect(const CaptionFrame& frame, const SystemMetrics& metrics) {
    EdgeRect row{metrics.cxDlgFrame, metrics.cyDlgFrame,
                 frame.windowSize.width() - metrics.cxDlgFrame,
                 frame.windowSize.height() - metrics.cyDlgFrame};
    row.bottom = row.top + metrics.cyCaption - 1;
    return row;
}

EdgeRect GetCaptionRect(const CaptionFrame& frame, const SystemMetrics& metrics) {
    EdgeRect caption = CaptionRowRect(frame, metrics);
    const TBorderIcons icons = frame.borderIcons;
    const int button = metrics.cxSize;
    if (icons.testFlag(biSystemMenu)) {
        caption.right -= button + 2;
    }
    if (icons.testFlag(biMinimize) || icons.testFlag(biMaximize)) {
        caption.right -= 2 * button;
    }
    if (caption.left >= caption.right) {
        caption.right = caption.left + 2;
    }
    return caption;
}

CaptionButtonRects GetCaptionButtonRects(const CaptionFrame& frame, const SystemMetrics& metrics) {
    CaptionButtonRects buttons;
    const EdgeRect row = CaptionRowRect(frame, metrics);
    const int top = row.top + 2;
    const int height = metrics.cyCaption - 5;
    const int width = metrics.cxSize - 2;
    int right = row.right - 2;
    const auto take = [&](int gapAfter) {
        const EdgeRect box{right - width, top, right, top + height};
        right -= width + gapAfter;
        return box;
    };
    const TBorderIcons icons = frame.borderIcons;
    if (icons.testFlag(biSystemMenu)) {
        buttons.close = take(2);
    }
    if (icons.testFlag(biMinimize) || icons.testFlag(biMaximize)) {
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
    return fitted;
}

QMargins FormFrameMargins(const SystemMetrics& metrics) {
    return {metrics.cxDlgFrame, metrics.cyDlgFrame + metrics.cyCaption, metrics.cxDlgFrame,
            metrics.cyDlgFrame};
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
    return frame.borderIcons.testFlag(biSystemMenu);
}

CaptionLayout LayOutCaption(const EdgeRect& caption, bool withIcon, const SystemMetrics& metrics,
                            const CaptionTextInput& company, const CaptionTextInput& appName,
                            const CaptionTextInput& captionText) {
    CaptionLayout layout;
    layout.caption = caption;
    EdgeRect free = caption;
    if (withIcon) {
        free.left += 1;
        layout.icon = EdgeRect{free.left + 1, free.top + 1, free.left + 1 + metrics.cxSmIcon,
                               free.top + 1 + metrics.cySmIcon};
        free.left += metrics.cxSmIcon + 1;
    }
    // The fit test counts every element, empty or not.
    const int available = free.Width();
    const bool showCompany =
        company.measuredWidth + appName.measuredWidth + captionText.measuredWidth < available;
    const bool showApp =
        showCompany || appName.measuredWidth + captionText.measuredWidth < available;
    const auto place = [&](const CaptionTextInput& text) {
        TextPlacement placement;
        placement.drawn = true;
        free.left += kTextGap;
        placement.bounds = {free.left, free.top, free.right, free.bottom};
        placement.textWidth = text.measuredWidth - kTextGap;
        free.left += placement.textWidth;
        return placement;
    };
    if (showCompany && !company.empty) {
        layout.company = place(company);
    }
    if (showApp && !appName.empty) {
        layout.appName = place(appName);
    }
    layout.captionText = place(captionText);
    return layout;
}

}  // namespace chiffrel
