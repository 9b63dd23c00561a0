#include "components/GradientCaption.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleHints>
#include <QWindow>
#include <algorithm>
#include <stdexcept>

#include "components/caption_button.h"
#include "pictures/bevel.h"
#include "platform/windowing/window_manager.h"

namespace chiffrel {
namespace {

constexpr int kMaxColors = 256;
// Where the gradient starts, at the left; it ends in the caption colour.
const QColor kGradientStart(Qt::black);

// Character height in pixels: the em height the font was matched at.
int CharHeight(const QFont& font) {
    return QFontInfo(font).pixelSize();
}

void DrawTextElement(QPainter& painter, const TCompanyText& element, const TextPlacement& place,
                     bool active) {
    const int room = place.bounds.Width();
    if (!place.drawn || room <= 0) {
        return;
    }
    painter.save();
    painter.setFont(element.Font());
    painter.setPen((active ? element.ColorActive() : element.ColorInactive()).Resolve());
    const QString shown =
        QFontMetrics(element.Font()).elidedText(element.Caption(), Qt::ElideRight, room);
    painter.drawText(place.bounds.ToQRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     shown);
    painter.restore();
}

QWidget* RequireTopLevel(QWidget* form) {
    if (form == nullptr || !form->isWindow()) {
        throw std::invalid_argument("the caption strip belongs to a top-level form");
    }
    return form;
}

}  // namespace

bool UsesGradient(TGradEnabled enabled, bool active) {
    return enabled == TGradEnabled::geAlways || (enabled == TGradEnabled::geWhenActive && active);
}

int ClampNumColors(int current, int requested) {
    if (requested < 1) {
        return current;
    }
    return std::min(requested, kMaxColors);
}

int FitFontHeight(int pixelSize, int captionCharHeight,
                  const std::function<int(int pixelSize)>& charHeightAt) {
    int fitted = pixelSize + captionCharHeight - charHeightAt(pixelSize);
    const int measured = charHeightAt(fitted);
    if (measured > captionCharHeight) {
        fitted -= measured - captionCharHeight;
    }
    return fitted;
}

QFont ApplyFontKind(TFontKind kind, const QFont& current, const QFont& captionFont) {
    QFont font = captionFont;
    switch (kind) {
        case TFontKind::fkCustom:
            return current;
        case TFontKind::fkSystem:
            break;
        case TFontKind::fkSystemI:
            font.setItalic(true);
            break;
        case TFontKind::fkSystemB:
            font.setBold(true);
            break;
        case TFontKind::fkSystemBI:
            font.setBold(true);
            font.setItalic(true);
            break;
        case TFontKind::fkAutoHeight: {
            font = current;
            const auto charHeightAt = [&current](int pixelSize) {
                QFont probe = current;
                probe.setPixelSize(std::max(1, pixelSize));
                return CharHeight(probe);
            };
            font.setPixelSize(std::max(
                1, FitFontHeight(CharHeight(current), CharHeight(captionFont), charHeightAt)));
            break;
        }
    }
    return font;
}

TCompanyText::TCompanyText(TGradientCaption& owner) : owner_(owner), font_(owner.CaptionFont()) {}

void TCompanyText::SetCaption(const QString& caption) {
    caption_ = caption;
    owner_.update();
}

void TCompanyText::SetColorActive(TColor color) {
    colorActive_ = color;
    owner_.update();
}

void TCompanyText::SetColorInactive(TColor color) {
    colorInactive_ = color;
    owner_.update();
}

void TCompanyText::SetFont(const QFont& font) {
    font_ = font;
    if (fontKind_ == TFontKind::fkAutoHeight) {
        font_ = ApplyFontKind(fontKind_, font_, owner_.CaptionFont());
    } else {
        fontKind_ = TFontKind::fkCustom;
    }
    owner_.FitHeightToFonts();
}

void TCompanyText::SetFontKind(TFontKind kind) {
    fontKind_ = kind;
    font_ = ApplyFontKind(kind, font_, owner_.CaptionFont());
    owner_.FitHeightToFonts();
}

TGradientCaption::TGradientCaption(QWidget* form, TBorderIcons borderIcons)
    : QWidget(RequireTopLevel(form)),
      form_(form),
      borderIcons_(borderIcons),
      captionFont_(chiffrel::CaptionFont()),
      appNameText_(std::make_unique<TAppNameText>(*this)),
      captionText_(std::make_unique<TCaptionText>(*this)),
      companyText_(std::make_unique<TCompanyText>(*this)) {
    // The strip paints every pixel of its row, so nothing behind it is repainted.
    setAttribute(Qt::WA_OpaquePaintEvent);
    form_->setWindowFlag(Qt::FramelessWindowHint);
    metrics_ = CaptionMetricsFor(kSystemMetrics, TallestTextHeight());
    form_->setContentsMargins(FrameMargins());
    CreateButtons();
    form_->installEventFilter(this);
    PlaceOnForm();
}

void TGradientCaption::SetNumColors(int numColors) {
    numColors_ = ClampNumColors(numColors_, numColors);
    update();
}

QMargins TGradientCaption::FrameMargins() const {
    return FormFrameMargins(metrics_);
}

bool TGradientCaption::IsFormActive() const {
    return activeKnown_ ? lastActive_ : form_->isActiveWindow();
}

CaptionFrame TGradientCaption::Frame() const {
    CaptionFrame frame;
    frame.borderIcons = borderIcons_;
    frame.windowSize = form_->size();
    return frame;
}

CaptionLayout TGradientCaption::CurrentLayout() const {
    const CaptionFrame frame = Frame();
    const auto input = [](const TCompanyText& text) {
        return CaptionTextInput{MeasureTextElement(text.Caption(), text.Font()),
                                text.Caption().isEmpty()};
    };
    return LayOutCaption(GetCaptionRect(frame, metrics_), ShowsCaptionIcon(frame), metrics_,
                         input(*companyText_), input(*appNameText_), input(*captionText_));
}

void TGradientCaption::UpdateCaptionFont() {
    captionFont_ = chiffrel::CaptionFont();
    for (TCompanyText* element :
         {static_cast<TCompanyText*>(appNameText_.get()),
          static_cast<TCompanyText*>(captionText_.get()), companyText_.get()}) {
        element->SetFontKind(element->FontKind());
    }
    RefreshFrame();
}

int TGradientCaption::TallestTextHeight() const {
    int tallest = 0;
    for (const TCompanyText* element : {static_cast<const TCompanyText*>(companyText_.get()),
                                        static_cast<const TCompanyText*>(appNameText_.get()),
                                        static_cast<const TCompanyText*>(captionText_.get())}) {
        tallest = std::max(tallest, QFontMetrics(element->Font()).height());
    }
    return tallest;
}

void TGradientCaption::FitHeightToFonts() {
    const SystemMetrics fitted = CaptionMetricsFor(kSystemMetrics, TallestTextHeight());
    if (fitted.cyCaption != metrics_.cyCaption) {
        metrics_ = fitted;
        form_->setContentsMargins(FrameMargins());
        PlaceOnForm();
    }
    update();
}

void TGradientCaption::RefreshFrame() {
    update();
    form_->update();
}

bool TGradientCaption::eventFilter(QObject* watched, QEvent* event) {
    if (watched != form_) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::Resize:
            PlaceOnForm();
            break;
        case QEvent::Paint:
            PaintFormBorder();
            break;
        case QEvent::WindowIconChange:
            update();
            break;
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
            lastActive_ = event->type() == QEvent::WindowActivate;
            activeKnown_ = true;
            update();
            break;
        case QEvent::ApplicationFontChange:
            UpdateCaptionFont();
            break;
        case QEvent::ApplicationPaletteChange:
        case QEvent::PaletteChange:
        case QEvent::StyleChange:
        case QEvent::ThemeChange:
            RefreshFrame();
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void TGradientCaption::paintEvent(QPaintEvent* /*event*/) {
    // Qt composes the strip off-screen and shows it in one piece; painting in the form's
    // coordinates keeps every rectangle as the layout computed it.
    QPainter painter(this);
    painter.translate(-pos());
    PaintCaption(painter, IsFormActive());
}

void TGradientCaption::PaintCaption(QPainter& painter, bool active) const {
    const CaptionFrame frame = Frame();
    const QColor captionColor =
        SystemColorValue(active ? SystemColor::ActiveCaption : SystemColor::InactiveCaption);
    // The buttons stand on the plain caption colour, where the gradient ends.
    painter.fillRect(CaptionRowRect(frame, metrics_).ToQRect(), captionColor);
    const CaptionLayout layout = CurrentLayout();
    const EdgeRect& caption = layout.caption;
    if (UsesGradient(enabled_, active)) {
        for (const GradientBand& band :
             GradientBands(kGradientStart, captionColor, caption.left, caption.right, numColors_)) {
            painter.fillRect(
                QRect(band.left, caption.top, band.right - band.left, caption.Height()),
                band.color);
        }
    } else {
        painter.fillRect(caption.ToQRect(), captionColor);
    }
    if (layout.icon) {
        DrawCaptionIcon(painter, *layout.icon);
    }
    DrawTextElement(painter, *companyText_, layout.company, active);
    DrawTextElement(painter, *appNameText_, layout.appName, active);
    DrawTextElement(painter, *captionText_, layout.captionText, active);
}

void TGradientCaption::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Where only the compositor moves windows, the strip cannot catch up with the pointer before
    // the compositor's move, which some compositors (kwin) start from where the pointer has got
    // to when it is asked for: it is asked for at the press, and ends with the release.
    QWindow* window = form_->windowHandle();
    if (window != nullptr && ui::OnlyTheSystemMovesWindows() && window->startSystemMove()) {
        return;
    }
    // Elsewhere a press alone moves nothing. Asking the window manager to move the window on the
    // press itself would leave it a move to start after a tap (a touchpad's tap-to-click, a
    // double-click) that it may carry into the next drag.
    press_ = Press{event->globalPosition().toPoint(), form_->pos()};
}

void TGradientCaption::mouseMoveEvent(QMouseEvent* event) {
    if (!press_ || !event->buttons().testFlag(Qt::LeftButton)) {
        return;
    }
    const QPoint covered = event->globalPosition().toPoint() - press_->pointer;
    if (!press_->dragging &&
        covered.manhattanLength() < QGuiApplication::styleHints()->startDragDistance()) {
        return;
    }
    // The window first catches up with the pointer: the window manager's move starts from where
    // the pointer is now, so the window ends moved by exactly the drag. Where the manager cannot
    // move windows, the strip goes on following the pointer itself.
    form_->move(press_->form + covered);
    if (!press_->dragging) {
        press_->dragging = true;
        QWindow* window = form_->windowHandle();
        if (window != nullptr && ui::StartSystemMoveFromPointer(window)) {
            press_.reset();
        }
    }
}

void TGradientCaption::mouseReleaseEvent(QMouseEvent* /*event*/) {
    press_.reset();
}

void TGradientCaption::CreateButtons() {
    const CaptionButtonRects rects = GetCaptionButtonRects(Frame(), metrics_);
    if (rects.close) {
        closeButton_ =
            new CaptionButton(CaptionButton::Glyph::Close, QStringLiteral("closeButton"), this);
        connect(closeButton_, &QAbstractButton::clicked, form_, &QWidget::close);
    }
    if (rects.maximize) {
        maximizeButton_ = new CaptionButton(CaptionButton::Glyph::Maximize,
                                            QStringLiteral("maximizeButton"), this);
        maximizeButton_->setEnabled(borderIcons_.testFlag(biMaximize));
        connect(maximizeButton_, &QAbstractButton::clicked, this, [this] {
            if (form_->isMaximized()) {
                form_->showNormal();
            } else {
                form_->showMaximized();
            }
        });
    }
    if (rects.minimize) {
        minimizeButton_ = new CaptionButton(CaptionButton::Glyph::Minimize,
                                            QStringLiteral("minimizeButton"), this);
        minimizeButton_->setEnabled(borderIcons_.testFlag(biMinimize));
        connect(minimizeButton_, &QAbstractButton::clicked, form_, &QWidget::showMinimized);
    }
}

void TGradientCaption::PlaceOnForm() {
    const CaptionFrame frame = Frame();
    const EdgeRect row = CaptionRowRect(frame, metrics_);
    setGeometry(row.ToQRect());
    const CaptionButtonRects rects = GetCaptionButtonRects(frame, metrics_);
    const QPoint origin(row.left, row.top);
    const auto place = [&origin](CaptionButton* button, const std::optional<EdgeRect>& box) {
        if (button != nullptr && box) {
            button->setGeometry(box->ToQRect().translated(-origin));
        }
    };
    place(closeButton_, rects.close);
    place(maximizeButton_, rects.maximize);
    place(minimizeButton_, rects.minimize);
}

// The form's border: a raised edge, then button face out to the border's width, and the line of
// button face between the caption and the client area.
void TGradientCaption::PaintFormBorder() {
    const QMargins margins = FrameMargins();
    QPainter painter(form_);
    const QColor face = SystemColorValue(SystemColor::ButtonFace);
    QRect box = form_->rect();
    DrawEdge(painter, box, true);
    box.adjust(2, 2, -2, -2);
    for (int ring = 2; ring < margins.left(); ++ring) {
        painter.setPen(face);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        box.adjust(1, 1, -1, -1);
    }
    painter.fillRect(QRect(margins.left(), margins.top() - 1,
                           form_->width() - margins.left() - margins.right(), 1),
                     face);
}

void TGradientCaption::DrawCaptionIcon(QPainter& painter, const EdgeRect& where) const {
    // A form without an icon of its own shows the application's, else the generic one.
    QIcon icon = form_->windowIcon();
    if (icon.isNull()) {
        icon = style()->standardIcon(QStyle::SP_TitleBarMenuButton);
    }
    icon.paint(&painter, where.ToQRect());
}

}  // namespace chiffrel
