#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "components/caption_layout.h"

namespace chiffrel {
namespace {

constexpr QSize kMainWindow{418, 350};

CaptionFrame MakeFrame(TBorderIcons icons, QSize size = kMainWindow) {
    CaptionFrame frame;
    frame.borderIcons = icons;
    frame.windowSize = size;
    return frame;
}

// ----- Caption rectangle -----

struct CaptionRectCase {
    const char* name;
    CaptionFrame frame;
    EdgeRect expected;
};

class CaptionRectTest : public testing::TestWithParam<CaptionRectCase> {};

TEST_P(CaptionRectTest, LeavesRoomForBorderAndButtons) {
    EXPECT_EQ(GetCaptionRect(GetParam().frame, kSystemMetrics), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, CaptionRectTest,
    testing::Values(
        // Close 18 + 2, minimize and maximize 2 × 18.
        CaptionRectCase{"MainWindow", MakeFrame({biSystemMenu, biMinimize}), {3, 3, 359, 21}},
        CaptionRectCase{"NoButtons", MakeFrame({}), {3, 3, 415, 21}},
        CaptionRectCase{"ReducedToNothingKeepsTwoPixels",
                        MakeFrame({biSystemMenu, biMinimize}, {60, 40}),
                        {3, 3, 5, 21}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaptionButtonsTest, MainWindowHasCloseThenMaximizeAndMinimize) {
    const CaptionButtonRects rects =
        GetCaptionButtonRects(MakeFrame({biSystemMenu, biMinimize}), kSystemMetrics);
    ASSERT_TRUE(rects.close && rects.maximize && rects.minimize);
    EXPECT_EQ(*rects.close, (EdgeRect{397, 5, 413, 19}));
    EXPECT_EQ(*rects.maximize, (EdgeRect{379, 5, 395, 19}));
    EXPECT_EQ(*rects.minimize, (EdgeRect{363, 5, 379, 19}));
    // The buttons stay inside the room the caption rectangle leaves.
    EXPECT_GE(rects.minimize->left, 359);
}

TEST(FormFrameMarginsTest, BorderOnEverySideCaptionOnTop) {
    EXPECT_EQ(FormFrameMargins(kSystemMetrics), QMargins(3, 22, 3, 3));
}

// ----- Gradient -----

struct MulDivCase {
    int number;
    int numerator;
    int denominator;
    int expected;
};

class MulDivTest : public testing::TestWithParam<MulDivCase> {};

TEST_P(MulDivTest, RoundsHalvesAwayFromZero) {
    const auto& c = GetParam();
    EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Values, MulDivTest,
                         testing::Values(MulDivCase{1, 5, 2, 3}, MulDivCase{1, -5, 2, -3},
                                         MulDivCase{-1, 5, 2, -3}, MulDivCase{5, -1, -2, 3},
                                         MulDivCase{1, 3, 4, 1}, MulDivCase{1, 1, 4, 0},
                                         MulDivCase{1, -1, 4, 0}, MulDivCase{63, 198, 63, 198},
                                         MulDivCase{100000, 100000, 100000, 100000}));

TEST(GradientBandsTest, OneColourPaintsEverythingInTheStartColour) {
    const auto bands = GradientBands(Qt::black, Qt::blue, 3, 359, 1);
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_EQ(bands[0], (GradientBand{3, 359, QColor(Qt::black)}));
}

TEST(GradientBandsTest, TwoColoursOnFivePixels) {
    const auto bands = GradientBands(QColor(0, 0, 0), QColor(0, 0, 128), 10, 15, 2);
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_EQ(bands[0], (GradientBand{10, 13, QColor(0, 0, 0)}));
    EXPECT_EQ(bands[1], (GradientBand{13, 15, QColor(0, 0, 128)}));
}

TEST(GradientBandsTest, BandsCoverTheRectangleFromStartToEndColour) {
    const QColor start(10, 200, 0);
    const QColor end(250, 20, 128);
    const auto bands = GradientBands(start, end, 3, 359, 64);
    ASSERT_EQ(bands.size(), 64u);
    EXPECT_EQ(bands.front().left, 3);
    EXPECT_EQ(bands.back().right, 359);
    EXPECT_EQ(bands.front().color, start);
    EXPECT_EQ(bands.back().color, end);
    for (std::size_t i = 1; i < bands.size(); ++i) {
        EXPECT_EQ(bands[i].left, bands[i - 1].right);
        EXPECT_LE(std::abs((bands[i].right - bands[i].left) - (bands[0].right - bands[0].left)), 1);
        EXPECT_GE(bands[i].color.red(), bands[i - 1].color.red());
        EXPECT_LE(bands[i].color.green(), bands[i - 1].color.green());
    }
}

TEST(GradientBandsTest, MiddleBandRoundsHalvesUp) {
    const auto bands = GradientBands(QColor(0, 0, 0), QColor(255, 100, 1), 0, 3, 3);
    EXPECT_EQ(bands[1].color, QColor(128, 50, 1));
}
// ----- Text layout -----

CaptionTextInput Text(int width, bool empty = false) {
    return {width, empty};
}

constexpr EdgeRect kMainCaption{3, 3, 359, 21};

TEST(CaptionLayoutTest, PutsIconThenTextsSideBySide) {
    const CaptionLayout layout =
        LayOutCaption(kMainCaption, true, kSystemMetrics, Text(50), Text(40), Text(30));
    ASSERT_TRUE(layout.icon);
    EXPECT_EQ(*layout.icon, (EdgeRect{5, 4, 21, 20}));
    EXPECT_EQ(layout.company.bounds, (EdgeRect{24, 3, 359, 21}));
    EXPECT_EQ(layout.company.textWidth, 47);
    EXPECT_EQ(layout.appName.bounds.left, 74);
    EXPECT_EQ(layout.captionText.bounds.left, 114);
    EXPECT_EQ(layout.captionText.Inked(), (EdgeRect{114, 3, 141, 21}));
}

struct FitCase {
    const char* name;
    int available;  // room right of the icon is width - 17
    bool company;
    bool appName;
};

class CaptionFitTest : public testing::TestWithParam<FitCase> {};

TEST_P(CaptionFitTest, DropsCompanyFirstThenAppName) {
    const auto& c = GetParam();
    const EdgeRect caption{0, 0, c.available, 18};
    const CaptionLayout layout =
        LayOutCaption(caption, false, kSystemMetrics, Text(50), Text(40), Text(30));
    EXPECT_EQ(layout.company.drawn, c.company);
    EXPECT_EQ(layout.appName.drawn, c.appName);
    EXPECT_TRUE(layout.captionText.drawn);
}

INSTANTIATE_TEST_SUITE_P(Widths, CaptionFitTest,
                         testing::Values(FitCase{"AllFit", 121, true, true},
                                         FitCase{"ExactlyFullDropsCompany", 120, false, true},
                                         FitCase{"AppNameAndCaption", 71, false, true},
                                         FitCase{"CaptionOnly", 70, false, false},
                                         FitCase{"CaptionAlwaysPlaced", 10, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CaptionLayoutTest, CutCaptionEndsAtTheCaptionEdge) {
    const CaptionLayout layout =
        LayOutCaption({0, 0, 20, 18}, false, kSystemMetrics, Text(50), Text(40), Text(30));
    EXPECT_EQ(layout.captionText.bounds, (EdgeRect{3, 0, 20, 18}));
    EXPECT_EQ(layout.captionText.Inked(), (EdgeRect{3, 0, 20, 18}));
}

TEST(CaptionLayoutTest, EmptyTextsStillCountInTheFitTest) {
    // An empty application name is not drawn, but its 3 pixels count: here they leave no room
    // for the company label.
    const CaptionLayout layout =
        LayOutCaption({0, 0, 82, 18}, false, kSystemMetrics, Text(50), Text(3, true), Text(30));
    EXPECT_FALSE(layout.company.drawn);
    EXPECT_FALSE(layout.appName.drawn);
    EXPECT_EQ(layout.captionText.bounds.left, 3);
}

TEST(CaptionIconTest, ShownWithTheSystemMenu) {
    EXPECT_TRUE(ShowsCaptionIcon(MakeFrame({biSystemMenu})));
    EXPECT_FALSE(ShowsCaptionIcon(MakeFrame({biMinimize})));
}

}  // namespace
}  // namespace chiffrel
