#pragma once

// The desktop's sizes and colours as the program's self-drawn window parts use them: the frame,
// the caption strip and its buttons, and the analog clock's raised marks. Sizes are named
// constants kept here and nowhere else; colours come from the application palette, so they
// follow the desktop theme.

#include <QColor>
#include <QFont>
#include <optional>

class QPalette;

namespace chiffrel {

// Pixel sizes of the self-drawn frame parts. They are the classic desktop's values at 96 dpi,
// which keeps the main window in the proportions it was designed with.
struct SystemMetrics {
    int cxDlgFrame;  // SM_CXDLGFRAME: width of the fixed border
    int cyDlgFrame;  // SM_CYDLGFRAME: height of a fixed border
    int cyCaption;   // SM_CYCAPTION: caption height, including the line below it
    int cxSize;      // SM_CXSIZE: width taken by one caption button
    int cxSmIcon;    // SM_CXSMICON: small icon width
    int cySmIcon;    // SM_CYSMICON: small icon height
};

inline constexpr SystemMetrics kSystemMetrics{
    .cxDlgFrame = 3,
    .cyDlgFrame = 3,
    .cyCaption = 19,
    .cxSize = 18,
    .cxSmIcon = 16,
    .cySmIcon = 16,
};

// The desktop colours that the self-drawn parts use, named after their role.
enum class SystemColor {
    ButtonFace,           // face of buttons and 3-D parts
    ButtonHighlight,      // lit edge of a raised part
    ButtonShadow,         // shaded edge of a raised part
    ThreeDLight,          // outer lit edge of a window frame
    ThreeDDarkShadow,     // outer shaded edge of a window frame
    ButtonText,           // glyphs on buttons
    ActiveCaption,        // caption of the active window
    InactiveCaption,      // caption of an inactive window
    CaptionText,          // caption text of the active window
    InactiveCaptionText,  // caption text of an inactive window
};

// The colour of `color` in `palette`. Captions follow the theme's highlight; a theme that gives
// inactive windows the same highlight as active ones gets grey inactive captions instead
// (palette Shadow, with the text in Midlight), so that the user still sees which window is active.
QColor SystemColorValue(SystemColor color, const QPalette& palette);

// The same, from the application palette.
QColor SystemColorValue(SystemColor color);

// The font of window captions: the application font, so that it follows the desktop's choice.
QFont CaptionFont();

// A colour property: either a fixed colour or a system colour looked up each time it is drawn,
// so that a theme change reaches it.
class TColor {
  public:
    TColor(QColor fixed) : fixed_(fixed) {}
    TColor(Qt::GlobalColor fixed) : fixed_(fixed) {}
    static TColor System(SystemColor color);

    QColor Resolve() const;
    QColor Resolve(const QPalette& palette) const;
    std::optional<SystemColor> SystemRole() const { return system_; }

    bool operator==(const TColor& other) const = default;

  private:
    QColor fixed_;
    std::optional<SystemColor> system_;
};

}  // namespace chiffrel
