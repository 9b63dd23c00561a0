#pragma once

// TGradientCaption: the caption strip of a frameless top-level form. It paints the window's
// small icon and three texts (a company label, the application name and the form's caption
// text) over a horizontal colour gradient from black to the caption colour, shows the caption
// buttons, moves the window when the strip is dragged, and draws the form's fixed border around
// it. Where each part goes is the
// business of the layout rules in caption_layout.h.

#include <QFont>
#include <QMargins>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "components/caption_layout.h"
#include "platform/windowing/system_metrics.h"

class QPainter;

namespace chiffrel {

enum class TFontKind : unsigned char {
    fkCustom,
    fkSystem,
    fkSystemI,
    fkSystemB,
    fkSystemBI,
    fkAutoHeight
};
enum class TGradEnabled : unsigned char { geAlways, geNever, geWhenActive };

// Whether the gradient, rather than one solid colour, fills the caption.
bool UsesGradient(TGradEnabled enabled, bool active);

// The number of bands kept when `requested` is set: below 1 keeps `current`, above 256 gives 256.
int ClampNumColors(int current, int requested);

// The pixel size that gives a font of `pixelSize` the caption font's character height, where
// `charHeightAt` measures the font's character height at a pixel size.
int FitFontHeight(int pixelSize, int captionCharHeight,
                  const std::function<int(int pixelSize)>& charHeightAt);

// The font that a text element gets for `kind`, from its current font and the caption font.
QFont ApplyFontKind(TFontKind kind, const QFont& current, const QFont& captionFont);

class CaptionButton;
class TGradientCaption;

// A text element of the caption: the company label, and the base of the other two.
class TCompanyText {
  public:
    explicit TCompanyText(TGradientCaption& owner);
    TCompanyText(const TCompanyText&) = delete;
    TCompanyText& operator=(const TCompanyText&) = delete;

    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    TColor ColorActive() const { return colorActive_; }
    void SetColorActive(TColor color);
    TColor ColorInactive() const { return colorInactive_; }
    void SetColorInactive(TColor color);
    const QFont& Font() const { return font_; }
    // Keeps an automatic height when the kind asks for it; any other kind becomes fkCustom.
    void SetFont(const QFont& font);
    TFontKind FontKind() const { return fontKind_; }
    // Derives the font from the caption font for `kind`; set it again after the caption font
    // changed.
    void SetFontKind(TFontKind kind);

  private:
    TGradientCaption& owner_;
    QString caption_;
    TColor colorActive_ = TColor::System(SystemColor::CaptionText);
    TColor colorInactive_ = TColor::System(SystemColor::InactiveCaptionText);
    QFont font_;
    TFontKind fontKind_ = TFontKind::fkSystem;
};

class TAppNameText : public TCompanyText {
  public:
    using TCompanyText::TCompanyText;
};

// The form's caption text. It is the form's own caption, painted here; the title that the window
// manager shows is the form's windowTitle, a separate value.
class TCaptionText : public TCompanyText {
  public:
    using TCompanyText::TCompanyText;
};

class TGradientCaption : public QWidget {
    Q_OBJECT

  public:
    // Makes `form` (a top-level widget, not yet shown) frameless and becomes the caption strip at
    // its top; sets the form's contents margins to FrameMargins() so that a layout or a central
    // widget lands inside the border, below the caption.
    explicit TGradientCaption(QWidget* form, TBorderIcons borderIcons = {biSystemMenu, biMinimize});

    TCompanyText* CompanyText() { return companyText_.get(); }
    TAppNameText* AppNameText() { return appNameText_.get(); }
    TCaptionText* CaptionText() { return captionText_.get(); }

    void SetEnabled(TGradEnabled enabled) {
        enabled_ = enabled;
        update();
    }
    int NumColors() const { return numColors_; }
    void SetNumColors(int numColors);

    const QFont& CaptionFont() const { return captionFont_; }

    // Room the form leaves around its client area: border on every side, caption at the top.
    QMargins FrameMargins() const;

    // The last activation change the form went through, or whether it is the active window when
    // it has not changed yet.
    bool IsFormActive() const;
    // Where the caption parts go now, in window coordinates.
    CaptionLayout CurrentLayout() const;

    // Reloads the caption font and derives every element's font again; the strip does it by
    // itself when the application font changes.
    void UpdateCaptionFont();
    // Makes the strip as high as its texts need (the form's margins follow); the text elements
    // call it when their font changes.
    void FitHeightToFonts();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    CaptionFrame Frame() const;
    int TallestTextHeight() const;
    // Repaints the strip and the form's border.
    void RefreshFrame();
    void CreateButtons();
    void PlaceOnForm();
    void PaintFormBorder();
    // Paints the caption row, in window coordinates.
    void PaintCaption(QPainter& painter, bool active) const;
    void DrawCaptionIcon(QPainter& painter, const EdgeRect& where) const;

    QWidget* form_;
    TBorderIcons borderIcons_;
    QFont captionFont_;
    SystemMetrics metrics_ = kSystemMetrics;
    std::unique_ptr<TAppNameText> appNameText_;
    std::unique_ptr<TCaptionText> captionText_;
    std::unique_ptr<TCompanyText> companyText_;
    TGradEnabled enabled_ = TGradEnabled::geAlways;
    int numColors_ = 64;
    bool lastActive_ = true;
    bool activeKnown_ = false;
    // A left press on the strip, which becomes a drag once the pointer has gone the platform's
    // drag distance with the button held.
    struct Press {
        QPoint pointer;
        QPoint form;
        bool dragging = false;
    };
    std::optional<Press> press_;
    CaptionButton* closeButton_ = nullptr;
    CaptionButton* maximizeButton_ = nullptr;
    CaptionButton* minimizeButton_ = nullptr;
};

}  // namespace chiffrel
