#include "platform/windowing/system_metrics.h"

#include <QGuiApplication>
#include <QPalette>

namespace chiffrel {
namespace {

bool ThemeDimsInactiveHighlight(const QPalette& palette) {
    return palette.color(QPalette::Active, QPalette::Highlight) !=
           palette.color(QPalette::Inactive, QPalette::Highlight);
}

QColor InactiveCaptionColor(const QPalette& palette, bool text) {
    if (ThemeDimsInactiveHighlight(palette)) {
        return palette.color(QPalette::Inactive,
                             text ? QPalette::HighlightedText : QPalette::Highlight);
    }
    return palette.color(QPalette::Active, text ? QPalette::Midlight : QPalette::Shadow);
}

}  // namespace

QColor SystemColorValue(SystemColor color, const QPalette& palette) {
    switch (color) {
        case SystemColor::ButtonFace:
            return palette.color(QPalette::Active, QPalette::Button);
        case SystemColor::ButtonHighlight:
            return palette.color(QPalette::Active, QPalette::Light);
        case SystemColor::ButtonShadow:
            return palette.color(QPalette::Active, QPalette::Dark);
        case SystemColor::ThreeDLight:
            return palette.color(QPalette::Active, QPalette::Midlight);
        case SystemColor::ThreeDDarkShadow:
            return palette.color(QPalette::Active, QPalette::Shadow);
        case SystemColor::ButtonText:
            return palette.color(QPalette::Active, QPalette::ButtonText);
        case SystemColor::ActiveCaption:
            return palette.color(QPalette::Active, QPalette::Highlight);
        case SystemColor::InactiveCaption:
            return InactiveCaptionColor(palette, false);
        case SystemColor::CaptionText:
            return palette.color(QPalette::Active, QPalette::HighlightedText);
        case SystemColor::InactiveCaptionText:
            return InactiveCaptionColor(palette, true);
    }
    return {};
}

QColor SystemColorValue(SystemColor color) {
    return SystemColorValue(color, QGuiApplication::palette());
}

QFont CaptionFont() {
    return QGuiApplication::font();
}

TColor TColor::System(SystemColor color) {
    TColor result{QColor()};
    result.system_ = color;
    return result;
}

QColor TColor::Resolve() const {
    return Resolve(QGuiApplication::palette());
}

QColor TColor::Resolve(const QPalette& palette) const {
    return system_ ? SystemColorValue(*system_, palette) : fixed_;
}

}  // namespace chiffrel
