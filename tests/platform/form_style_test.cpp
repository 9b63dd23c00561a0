#include "platform/qt/form_style.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>
#include <functional>

#include "platform/qt/drawn_picture.h"
#include "platform/qt/text_fit.h"

namespace chiffrel::ui {
namespace {

struct PlaceCase {
    const char* name;
    QRect available;
    QSize size;
    QPoint wanted;
    QPoint expected;
};

class PlaceInsideTest : public testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceInsideTest, KeepsTheWindowOnTheScreen) {
    const PlaceCase& c = GetParam();
    EXPECT_EQ(PlaceInside(c.available, c.size, c.wanted), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, PlaceInsideTest,
    testing::Values(
        PlaceCase{"FitsWhereWanted", {0, 0, 1280, 1024}, {432, 343}, {237, 173}, {237, 173}},
        PlaceCase{"PastTheRightAndBottom", {0, 0, 640, 512}, {432, 343}, {237, 173}, {208, 169}},
        PlaceCase{"LargerThanTheArea", {0, 0, 400, 300}, {432, 343}, {237, 173}, {0, 0}},
        PlaceCase{"BelowATopPanel", {0, 30, 800, 570}, {383, 256}, {100, 0}, {100, 30}},
        PlaceCase{"SecondScreen", {1280, 0, 1024, 768}, {346, 177}, {0, 0}, {1280, 0}}),
    [](const auto& info) { return info.param.name; });

struct FittingCase {
    const char* name;
    int largestFitting;  // pixel size up to which a text fits
    int expected;
};

class LargestFittingFontTest : public testing::TestWithParam<FittingCase> {};

TEST_P(LargestFittingFontTest, TakesTheLargestPixelSizeThatFits) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    font.setBold(true);
    const QFont fitted = LargestFittingFont(font, [](const QFont& candidate) {
        return QFontInfo(candidate).pixelSize() <= GetParam().largestFitting;
    });
    EXPECT_EQ(QFontInfo(fitted).pixelSize(), GetParam().expected);
    EXPECT_TRUE(fitted.bold());
    EXPECT_EQ(fitted == font, GetParam().expected == 16);
}

INSTANTIATE_TEST_SUITE_P(Limits, LargestFittingFontTest,
                         testing::Values(FittingCase{"FitsAsItIs", 40, 16},
                                         FittingCase{"SmallerSize", 12, 12},
                                         FittingCase{"NothingFitsGivesTheSmallest", 0, 6}),
                         [](const auto& info) { return info.param.name; });

// A square drawn in red over its whole box.
DrawnPicture RedSquare() {
    return {QSize(16, 16), [](QPainter& painter) { painter.fillRect(0, 0, 16, 16, Qt::red); }};
}

class DrawnPictureTest : public testing::TestWithParam<qreal> {};

TEST_P(DrawnPictureTest, IsDrawnWithOnePixelPerDevicePixel) {
    const qreal ratio = GetParam();
    const QSize pixels = QSize(16, 16) * ratio;
    const QIcon icon = AsIcon(RedSquare());
    for (const QPixmap& pixmap : {Render(RedSquare(), ratio), icon.pixmap(QSize(16, 16), ratio)}) {
        EXPECT_EQ(pixmap.devicePixelRatio(), ratio);
        EXPECT_EQ(pixmap.size(), pixels);
        // Drawn over the device pixels, not in a corner of them.
        EXPECT_EQ(pixmap.toImage().pixelColor(pixels.width() - 1, pixels.height() - 1),
                  QColor(Qt::red));
    }
    const QImage disabled = icon.pixmap(QSize(16, 16), ratio, QIcon::Disabled).toImage();
    EXPECT_NE(disabled.pixelColor(0, 0), QColor(Qt::red));  // greyed like any disabled icon
}

INSTANTIATE_TEST_SUITE_P(Ratios, DrawnPictureTest, testing::Values(1.0, 1.5, 2.0));

// ----- Texts kept whole -----

struct FitCase {
    const char* name;
    std::function<QWidget*(QWidget* form)> make;
};

class KeepTextsWholeTest : public testing::TestWithParam<FitCase> {};

void SetTextOf(QWidget* control, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else {
        static_cast<QAbstractButton*>(control)->setText(text);
    }
}

// Whether the whole text shows: the room of a label is inside its frame and indent, a button's
// is what its size hint asks for.
bool ShowsWhole(QWidget* control, const QString& text) {
    const int advance = QFontMetrics(control->font()).horizontalAdvance(text);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        const int indent =
            label->frameWidth() > 0 ? control->fontMetrics().horizontalAdvance('x') / 2 : 0;
        return advance <= label->contentsRect().width() - indent;
    }
    return control->sizeHint().width() <= control->width();
}

TEST_P(KeepTextsWholeTest, StepsTheFontDownForALongTextAndBackForAShortOne) {
    QWidget form;
    QWidget* control = GetParam().make(&form);
    control->setGeometry(10, 10, 150, 30);
    QFont own(QStringLiteral("DejaVu Sans"));
    own.setPixelSize(16);
    control->setFont(own);
    KeepTextsWhole(&form);
    form.show();

    const QString longText = QStringLiteral("999999998000103424.00 FF");
    SetTextOf(control, longText);
    form.grab();
    EXPECT_LT(QFontInfo(control->font()).pixelSize(), 16);
    EXPECT_TRUE(ShowsWhole(control, longText));

    SetTextOf(control, QStringLiteral("0.00"));
    form.grab();
    EXPECT_EQ(control->font(), own);

    QFont changed = own;  // the program gives the control another font
    changed.setItalic(true);
    control->setFont(changed);
    SetTextOf(control, longText);
    form.grab();
    EXPECT_TRUE(control->font().italic());
    EXPECT_TRUE(ShowsWhole(control, longText));
}

INSTANTIATE_TEST_SUITE_P(
    Controls, KeepTextsWholeTest,
    testing::Values(FitCase{"Label", [](QWidget* form) -> QWidget* { return new QLabel(form); }},
                    FitCase{"FramedRightAlignedLabel",
                            [](QWidget* form) -> QWidget* {
                                auto* label = new QLabel(form);
                                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                                label->setLineWidth(2);
                                label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                                return label;
                            }},
                    FitCase{"CheckBoxWithItsTextOnTheLeft",
                            [](QWidget* form) -> QWidget* {
                                auto* box = new QCheckBox(form);
                                box->setLayoutDirection(Qt::RightToLeft);
                                return box;
                            }},
                    FitCase{"RadioButton",
                            [](QWidget* form) -> QWidget* { return new QRadioButton(form); }}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace chiffrel::ui
