#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QTest>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "components/GradientCaption.h"

namespace chiffrel {
namespace {

// The palette keeps 16 bits a channel; pixels have 8.
QColor Rgb(SystemColor color) {
    return QColor(SystemColorValue(color).rgb());
}

// ----- Fonts -----

TEST(FitFontHeightTest, MatchesTheCaptionCharacterHeight) {
    // A font whose characters are one pixel taller than its size.
    EXPECT_EQ(FitFontHeight(11, 13, [](int size) { return size + 1; }), 12);
    // A second measure corrects an overshoot: above 11 the characters grow by 2 more.
    EXPECT_EQ(FitFontHeight(10, 13, [](int size) { return size < 12 ? size : size + 2; }), 11);
}

TEST(ApplyFontKindTest, DerivesFromTheCaptionFont) {
    QFont caption(QStringLiteral("Liberation Sans"));
    caption.setPixelSize(12);
    QFont current(QStringLiteral("DejaVu Serif"));
    current.setPixelSize(20);
    current.setItalic(true);

    EXPECT_EQ(ApplyFontKind(TFontKind::fkCustom, current, caption), current);
    EXPECT_EQ(ApplyFontKind(TFontKind::fkSystem, current, caption), caption);
    const QFont boldItalic = ApplyFontKind(TFontKind::fkSystemBI, current, caption);
    EXPECT_EQ(boldItalic.family(), caption.family());
    EXPECT_TRUE(boldItalic.bold());
    EXPECT_TRUE(boldItalic.italic());
    const QFont bold = ApplyFontKind(TFontKind::fkSystemB, current, caption);
    EXPECT_TRUE(bold.bold());
    EXPECT_FALSE(bold.italic());
    EXPECT_TRUE(ApplyFontKind(TFontKind::fkSystemI, current, caption).italic());

    const QFont fitted = ApplyFontKind(TFontKind::fkAutoHeight, current, caption);
    EXPECT_EQ(fitted.family(), current.family());
    EXPECT_TRUE(fitted.italic());
    EXPECT_EQ(QFontInfo(fitted).pixelSize(), QFontInfo(caption).pixelSize());
}

// ----- The strip on a frameless form -----

class CaptionStripTest : public testing::Test {
  protected:
    void SetUp() override {
        savedPalette_ = QApplication::palette();
        QPalette palette = savedPalette_;
        palette.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 0, 128));
        palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(128, 128, 128));
        QApplication::setPalette(palette);

        caption_ = new TGradientCaption(&form_);
        caption_->CompanyText()->SetCaption(QStringLiteral("Brevane - "));
        caption_->CompanyText()->SetFontKind(TFontKind::fkSystemBI);
        caption_->AppNameText()->SetCaption(QStringLiteral("Chiffrel"));
        caption_->AppNameText()->SetFontKind(TFontKind::fkSystemB);
        caption_->CaptionText()->SetCaption(QStringLiteral(" v4.51"));
        form_.setFixedSize(QSize(412, 304).grownBy(caption_->FrameMargins()));
        form_.move(100, 100);
        form_.show();
        QApplication::processEvents();
    }

    void TearDown() override { QApplication::setPalette(savedPalette_); }

    void SendToForm(QEvent::Type type) {
        QEvent event(type);
        QApplication::sendEvent(&form_, &event);
    }

    // The strip as the user sees it, in window coordinates.
    QImage Strip() {
        QImage image(form_.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        caption_->render(&image, caption_->pos());
        return image;
    }

    QAbstractButton* Button(const char* name) {
        return caption_->findChild<QAbstractButton*>(QString::fromLatin1(name));
    }

    QPalette savedPalette_;
    QWidget form_;
    TGradientCaption* caption_ = nullptr;
};

TEST_F(CaptionStripTest, FormLeavesBorderAndCaptionAroundItsClientArea) {
    EXPECT_TRUE(form_.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(form_.size(), QSize(418, 329));
    EXPECT_EQ(form_.contentsMargins(), QMargins(3, 22, 3, 3));
    EXPECT_EQ(form_.contentsRect().size(), QSize(412, 304));
    EXPECT_EQ(caption_->geometry(), QRect(3, 3, 412, 18));
    EXPECT_EQ(caption_->CurrentLayout().caption, (EdgeRect{3, 3, 359, 21}));
}

TEST_F(CaptionStripTest, RejectsAnOwnerThatIsNotATopLevelForm) {
    QWidget child(&form_);
    EXPECT_THROW(TGradientCaption{&child}, std::invalid_argument);
    EXPECT_THROW(TGradientCaption{nullptr}, std::invalid_argument);
}

TEST_F(CaptionStripTest, ShowsCloseMinimizeAndADisabledMaximize) {
    ASSERT_NE(Button("closeButton"), nullptr);
    ASSERT_NE(Button("minimizeButton"), nullptr);
    ASSERT_NE(Button("maximizeButton"), nullptr);
    EXPECT_EQ(Button("helpButton"), nullptr);
    EXPECT_TRUE(Button("minimizeButton")->isEnabled());
    EXPECT_FALSE(Button("maximizeButton")->isEnabled());
    EXPECT_EQ(Button("closeButton")->mapTo(&form_, QPoint(0, 0)), QPoint(397, 5));
    EXPECT_EQ(Button("minimizeButton")->geometry().size(), QSize(16, 14));
}

TEST_F(CaptionStripTest, CloseButtonClosesTheForm) {
    QTest::mouseClick(Button("closeButton"), Qt::LeftButton);
    EXPECT_FALSE(form_.isVisible());
}

TEST_F(CaptionStripTest, MinimizeButtonMinimizesTheForm) {
    QTest::mouseClick(Button("minimizeButton"), Qt::LeftButton);
    EXPECT_TRUE(form_.isMinimized());
}

// ----- Taps and drags on the strip (where the platform cannot move windows, the strip moves the
// form itself; the window manager's move is checked by scripts/check-window-manager.sh) -----

// A press at the grip, moves through `path` (offsets from the grip, in screen coordinates), and
// a release where the last move ended.
struct DragRow {
    const char* name;
    std::vector<QPoint> path;
    QPoint formMove;
    friend void PrintTo(const DragRow& row, std::ostream* out) { *out << row.name; }
};

class CaptionDragTest : public CaptionStripTest, public testing::WithParamInterface<DragRow> {};

TEST_P(CaptionDragTest, MovesTheFormByTheDragOnly) {
    const QPoint start = form_.pos();
    const QPoint grip = caption_->mapToGlobal(QPoint(150, 9));
    const auto at = [&](QPoint offset) { return caption_->mapFromGlobal(grip + offset); };
    QTest::mousePress(caption_, Qt::LeftButton, {}, at({0, 0}));
    for (const QPoint& offset : GetParam().path) {
        QTest::mouseMove(caption_, at(offset));
    }
    QTest::mouseRelease(caption_, Qt::LeftButton, {}, at(GetParam().path.back()));
    EXPECT_EQ(form_.pos() - start, GetParam().formMove);
}

INSTANTIATE_TEST_SUITE_P(
    PointerSequences, CaptionDragTest,
    testing::Values(
        DragRow{"Drag", {{30, 20}}, {30, 20}},
        DragRow{"TapThatMovesLessThanTheDragDistance", {{4, 2}}, {0, 0}},
        DragRow{"DragThatStartsUnderTheDragDistance", {{4, 2}, {20, 12}, {50, 30}}, {50, 30}}),
    [](const testing::TestParamInfo<DragRow>& row) { return std::string(row.param.name); });

TEST_F(CaptionStripTest, ActiveCaptionRunsFromBlackToTheHighlight) {
    SendToForm(QEvent::WindowActivate);
    const QImage image = Strip();
    EXPECT_EQ(image.pixelColor(3, 19), QColor(0, 0, 0));      // first band, below the icon
    EXPECT_EQ(image.pixelColor(358, 10), QColor(0, 0, 128));  // last band
    EXPECT_EQ(image.pixelColor(360, 3), QColor(0, 0, 128));   // behind the buttons
}

TEST_F(CaptionStripTest, InactiveCaptionUsesTheInactiveHighlight) {
    SendToForm(QEvent::WindowDeactivate);
    EXPECT_FALSE(caption_->IsFormActive());
    const QImage image = Strip();
    EXPECT_EQ(image.pixelColor(3, 19), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(358, 10), QColor(128, 128, 128));
}

TEST_F(CaptionStripTest, GradientSettingsShowOnTheStrip) {
    SendToForm(QEvent::WindowDeactivate);
    caption_->SetEnabled(TGradEnabled::geWhenActive);
    EXPECT_EQ(Strip().pixelColor(3, 19), QColor(128, 128, 128));  // solid while inactive
    SendToForm(QEvent::WindowActivate);
    caption_->SetNumColors(1);
    EXPECT_EQ(Strip().pixelColor(358, 10), QColor(0, 0, 0));  // one band: all start colour
    caption_->SetNumColors(0);
    EXPECT_EQ(caption_->NumColors(), 1);
    caption_->SetNumColors(1000);
    EXPECT_EQ(caption_->NumColors(), 256);
    caption_->SetEnabled(TGradEnabled::geNever);
    EXPECT_EQ(Strip().pixelColor(3, 19), QColor(0, 0, 128));
}

// Counts pixels inside `area` close to `color`.
int PixelsNear(const QImage& image, const EdgeRect& area, const QColor& color) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - color.red()) < 60 &&
                std::abs(pixel.green() - color.green()) < 60 &&
                std::abs(pixel.blue() - color.blue()) < 60) {
                ++count;
            }
        }
    }
    return count;
}

TEST_F(CaptionStripTest, TheThreeTextsAreDrawnLeftToRightInTheirColours) {
    const QColor red(255, 0, 0);
    const QColor green(0, 255, 0);
    const QColor yellow(255, 255, 0);
    caption_->CompanyText()->SetColorActive(red);
    caption_->AppNameText()->SetColorActive(green);
    caption_->CaptionText()->SetColorActive(yellow);
    SendToForm(QEvent::WindowActivate);
    const QImage image = Strip();
    const CaptionLayout layout = caption_->CurrentLayout();
    ASSERT_TRUE(layout.company.drawn && layout.appName.drawn && layout.captionText.drawn);
    const EdgeRect company = layout.company.Inked();
    const EdgeRect appName = layout.appName.Inked();
    const EdgeRect captionText = layout.captionText.Inked();
    EXPECT_LE(company.right, appName.left);
    EXPECT_LE(appName.right, captionText.left);
    EXPECT_GT(PixelsNear(image, company, red), 5);
    EXPECT_GT(PixelsNear(image, appName, green), 5);
    EXPECT_GT(PixelsNear(image, captionText, yellow), 5);
    EXPECT_EQ(PixelsNear(image, appName, red) + PixelsNear(image, captionText, red), 0);
    EXPECT_EQ(PixelsNear(image, company, green) + PixelsNear(image, captionText, green), 0);
}

TEST_F(CaptionStripTest, ShowsTheFormIconAtTheLeft) {
    QPixmap icon(32, 32);
    icon.fill(QColor(0, 200, 100));
    form_.setWindowIcon(QIcon(icon));
    const EdgeRect where = *caption_->CurrentLayout().icon;
    EXPECT_EQ(where, (EdgeRect{5, 4, 21, 20}));
    const QImage image = Strip();
    EXPECT_EQ(image.pixelColor(5, 4), QColor(0, 200, 100));
    EXPECT_EQ(image.pixelColor(20, 19), QColor(0, 200, 100));
    EXPECT_NE(image.pixelColor(21, 19), QColor(0, 200, 100));
}

TEST_F(CaptionStripTest, InactiveTextsUseTheirInactiveColour) {
    caption_->CaptionText()->SetColorInactive(QColor(0, 255, 255));
    SendToForm(QEvent::WindowDeactivate);
    EXPECT_GT(
        PixelsNear(Strip(), caption_->CurrentLayout().captionText.Inked(), QColor(0, 255, 255)), 5);
}

TEST_F(CaptionStripTest, NarrowFormDropsTheCompanyLabel) {
    form_.setFixedSize(200, 100);
    const CaptionLayout layout = caption_->CurrentLayout();
    EXPECT_FALSE(layout.company.drawn);
    EXPECT_TRUE(layout.appName.drawn);
    EXPECT_EQ(caption_->width(), 194);
}

TEST_F(CaptionStripTest, FormBorderIsRaised) {
    QImage image(form_.size(), QImage::Format_RGB32);
    form_.render(&image);
    const auto at = [&image](int x, int y) { return QColor(image.pixel(x, y)); };
    EXPECT_EQ(at(0, 100), Rgb(SystemColor::ThreeDLight));
    EXPECT_EQ(at(1, 100), Rgb(SystemColor::ButtonHighlight));
    EXPECT_EQ(at(2, 100), Rgb(SystemColor::ButtonFace));
    EXPECT_EQ(at(417, 100), Rgb(SystemColor::ThreeDDarkShadow));
    EXPECT_EQ(at(416, 100), Rgb(SystemColor::ButtonShadow));
    EXPECT_EQ(at(200, 328), Rgb(SystemColor::ThreeDDarkShadow));
    EXPECT_EQ(at(200, 21), Rgb(SystemColor::ButtonFace));
}

TEST_F(CaptionStripTest, CaptionButtonIsRaisedAndSinksWhilePressed) {
    QAbstractButton* button = Button("minimizeButton");  // 16 × 14
    struct EdgePixel {
        QPoint at;
        SystemColor raised;
        SystemColor pressed;
    };
    const EdgePixel edges[] = {
        {{0, 4}, SystemColor::ThreeDLight, SystemColor::ThreeDDarkShadow},
        {{1, 4}, SystemColor::ButtonHighlight, SystemColor::ButtonShadow},
        {{15, 4}, SystemColor::ThreeDDarkShadow, SystemColor::ThreeDLight},
        {{14, 4}, SystemColor::ButtonShadow, SystemColor::ButtonHighlight},
        // The top-right and bottom-left corners belong to the bottom and right sides.
        {{15, 0}, SystemColor::ThreeDDarkShadow, SystemColor::ThreeDLight},
        {{0, 13}, SystemColor::ThreeDDarkShadow, SystemColor::ThreeDLight},
    };
    const QImage raised = button->grab().toImage();
    button->setDown(true);
    const QImage pressed = button->grab().toImage();
    for (const EdgePixel& edge : edges) {
        EXPECT_EQ(QColor(raised.pixel(edge.at)), Rgb(edge.raised))
            << edge.at.x() << "," << edge.at.y();
        EXPECT_EQ(QColor(pressed.pixel(edge.at)), Rgb(edge.pressed))
            << edge.at.x() << "," << edge.at.y();
    }
}

TEST_F(CaptionStripTest, ApplicationFontChangeReachesTheTextsAndTheStripsHeight) {
    const QFont saved = QApplication::font();
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSize(16);
    QApplication::setFont(font);
    QApplication::processEvents();  // the change reaches the widgets as a posted event
    EXPECT_EQ(caption_->CaptionFont().family(), font.family());
    EXPECT_EQ(caption_->CompanyText()->Font().family(), font.family());
    EXPECT_TRUE(caption_->CompanyText()->Font().italic());
    EXPECT_TRUE(caption_->AppNameText()->Font().bold());
    // The texts keep a pixel above and below them; the client area moves down with the strip.
    const int textHeight = QFontMetrics(caption_->CompanyText()->Font()).height();
    EXPECT_EQ(caption_->CurrentLayout().caption.Height(), textHeight + 2);
    EXPECT_EQ(caption_->height(), textHeight + 2);
    EXPECT_EQ(form_.contentsMargins(), QMargins(3, 3 + textHeight + 3, 3, 3));
    QApplication::setFont(saved);
    QApplication::processEvents();
    EXPECT_EQ(form_.contentsMargins(), QMargins(3, 22, 3, 3));  // the classic height again
}

TEST_F(CaptionStripTest, CustomFontIsKeptWhenTheApplicationFontChanges) {
    QFont custom(QStringLiteral("DejaVu Serif"));
    custom.setPixelSize(9);
    caption_->CaptionText()->SetFont(custom);
    EXPECT_EQ(caption_->CaptionText()->FontKind(), TFontKind::fkCustom);
    caption_->UpdateCaptionFont();
    EXPECT_EQ(caption_->CaptionText()->Font(), custom);
}

}  // namespace
}  // namespace chiffrel
