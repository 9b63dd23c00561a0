#include "forms/text_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QRadioButton>
#include <QTabBar>
#include <functional>

namespace chiffrel::ui {

namespace {

// Below this a text is no longer read comfortably; no text of the program needs less.
constexpr int kSmallestPixels = 6;

int LabelRoom(const QLabel* label, const QFont& font) {
    int room = label->contentsRect().width() - 2 * label->margin();
    int indent = label->indent();
    // A framed label keeps half an "x" between its frame and a text aligned on one side.
    if (indent < 0 && label->frameWidth() > 0) {
        indent = QFontMetrics(font).horizontalAdvance(QLatin1Char('x')) / 2 - label->margin();
    }
    if (indent > 0 && (label->alignment() & (Qt::AlignLeft | Qt::AlignRight)) != 0) {
        room -= indent;
    }
    return room;
}

// A button's text as drawn: "&x" shows "x" underlined, "&&" shows "&".
QString WithoutMnemonics(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
        }
        shown += text[i];
    }
    return shown;
}

// A check box or radio button asks for its indicator, the gap after it and a margin for the focus
// frame around its text, whatever the font.
int IndicatorButtonRoom(const QAbstractButton* button) {
    const int textWidth =
        QFontMetrics(button->font()).horizontalAdvance(WithoutMnemonics(button->text()));
    return button->width() - (button->sizeHint().width() - textWidth);
}

bool HasIndicator(const QWidget* control) {
    return qobject_cast<const QCheckBox*>(control) != nullptr ||
           qobject_cast<const QRadioButton*>(control) != nullptr;
}

// The width that `control` gives its one-line text when drawn in `font`.
int TextRoom(const QWidget* control, const QFont& font) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return LabelRoom(label, font);
    }
    if (HasIndicator(control)) {
        return IndicatorButtonRoom(static_cast<const QAbstractButton*>(control));
    }
    return 0;
}

// The text that `control` shows, as drawn; the spaces at either end may be cut without loss.
QString ShownText(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text().trimmed();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return WithoutMnemonics(button->text()).trimmed();
    }
    return {};
}

// `font` itself when `fits` holds for it, else the largest smaller pixel size for which it holds,
// else the smallest size tried.
QFont LargestFittingFont(const QFont& font, const std::function<bool(const QFont&)>& fits) {
    if (fits(font)) {
        return font;
    }
    // Halving the range of sizes: a long result is fitted at every keystroke.
    QFont best = font;
    best.setPixelSize(kSmallestPixels);
    int low = kSmallestPixels;
    int high = QFontInfo(font).pixelSize() - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        QFont candidate = font;
        candidate.setPixelSize(middle);
        if (fits(candidate)) {
            best = candidate;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return best;
}

// Keeps a control in the largest size of its own font for which `Fits` holds, checked each time the
// control is painted; a font the program gives the control becomes its own.
class FontFitter : public QObject {
  public:
    explicit FontFitter(QWidget* control)
        : QObject(control), control_(control), ownFont_(control->font()) {
        control->installEventFilter(this);
    }

  protected:
    // Whether to fit the control at this painting; the moment to note what `Fits` measures.
    virtual bool FitNow() { return true; }
    virtual bool Fits(const QFont& font) = 0;
    QWidget* Control() const { return control_; }

  private:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::FontChange && !fitting_) {
            ownFont_ = control_->font();
        } else if (event->type() == QEvent::Paint && FitNow()) {
            fitting_ = true;
            const QFont fitted =
                LargestFittingFont(ownFont_, [this](const QFont& font) { return Fits(font); });
            if (fitted != control_->font()) {
                control_->setFont(fitted);
            }
            fitting_ = false;
        }
        return false;
    }

    QWidget* control_;
    QFont ownFont_;
    bool fitting_ = false;
};

// A label, check box or radio button showing its whole text.
class TextFitter : public FontFitter {
  public:
    using FontFitter::FontFitter;

  private:
    bool Fits(const QFont& font) override {
        return QFontMetrics(font).horizontalAdvance(ShownText(Control())) <=
               TextRoom(Control(), font);
    }
};

// A tab bar whose tabs all show side by side in the room its tab widget gives it: where they do
// not, the style scrolls them, and a tab shows cut or hides behind the scroll buttons.
class TabFitter : public FontFitter {
  public:
    explicit TabFitter(QTabBar* bar) : FontFitter(bar), bar_(bar) {}

  private:
    // The tab widget gives the bar the width its tabs ask for, or all it has when that is less.
    bool FitNow() override {
        room_ = bar_->width();
        return bar_->sizeHint().width() > room_;
    }

    // Tried in the bar itself: only the style knows what a tab takes beside its text.
    bool Fits(const QFont& font) override {
        bar_->setFont(font);
        return bar_->sizeHint().width() <= room_;
    }

    QTabBar* bar_;
    int room_ = 0;
};

}  // namespace

void KeepTextsWhole(QWidget* form) {
    for (QWidget* control : form->findChildren<QWidget*>()) {
        const auto* label = qobject_cast<const QLabel*>(control);
        const bool oneLineLabel = label != nullptr && !label->wordWrap();
        if (oneLineLabel || HasIndicator(control)) {
            new TextFitter(control);
        } else if (auto* bar = qobject_cast<QTabBar*>(control)) {
            new TabFitter(bar);
        }
    }
}

}  // namespace chiffrel::ui
