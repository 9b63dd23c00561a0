#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "components/caption_layout.h"

namespace chiffrel {
namespace {

using Style = TFormBorderStyle;

constexpr QSize kMainWindow{418, 350};

CaptionFrame MakeFrame(Style style, TBorderIcons icons, QSize size = kMainWindow,
                       bool newStyle = true, bool minimized = false) {
    CaptionFrame frame;
    frame.borderStyle = style;
    frame.borderIcons = icons;
    frame.windowSize = size;
    frame.newStyle = newStyle;
    frame.minimized = minimized;
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
        CaptionRectCase{
            "MainWindow", MakeFrame(Style::bsSingle, {biSystemMenu, biMinimize}), {3, 3, 359, 21}},
        CaptionRectCase{
            "Sizeable", MakeFrame(Style::bsSizeable, {biSystemMenu, biMaximize}), {4, 4, 358, 22}},
        CaptionRectCase{"NoButtons", MakeFrame(Style::bsSingle, {}), {3, 3, 415, 21}},
        CaptionRectCase{"ToolWindow",
                        MakeFrame(Style::bsToolWindow, {biSystemMenu, biMinimize}),
                        {3, 3, 398, 17}},
        CaptionRectCase{"SizeToolWin", MakeFrame(Style::bsSizeToolWin, {}), {4, 4, 397, 18}},
        CaptionRectCase{"DialogWithHelp",
                        MakeFrame(Style::bsDialog, {biSystemMenu, biHelp, biMinimize}),
                        {3, 3, 375, 21}},
        CaptionRectCase{"OldStyleSystemMenuBox",
                        MakeFrame(Style::bsSingle, {biSystemMenu, biMinimize}, kMainWindow, false),
                        {21, 3, 379, 21}},
        CaptionRectCase{"OldStyleDialogHasNoBox",
                        MakeFrame(Style::bsDialog, {biSystemMenu}, kMainWindow, false),
                        {3, 3, 415, 21}},
        CaptionRectCase{
            "MinimizedUsesThinBorder",
            MakeFrame(Style::bsSizeable, {biSystemMenu, biMinimize}, {160, 24}, true, true),
            {3, 3, 101, 21}},
        CaptionRectCase{"ReducedToNothingKeepsTwoPixels",
                        MakeFrame(Style::bsSingle, {biSystemMenu, biMinimize}, {60, 40}),
                        {3, 3, 5, 21}},
        CaptionRectCase{
            "NoBorderCoversNoPixel", MakeFrame(Style::bsNone, {biSystemMenu}), {0, 0, 2, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaptionButtonsTest, MainWindowHasCloseThenMaximizeAndMinimize) {
    const CaptionButtonRects rects = GetCaptionButtonRects(
        MakeFrame(Style::bsSingle, {biSystemMenu, biMinimize}), kSystemMetrics);
    ASSERT_TRUE(rects.close && rects.maximize && rects.minimize);
    EXPECT_FALSE(rects.help);
    EXPECT_EQ(*rects.close, (EdgeRect{397, 5, 413, 19}));
    EXPECT_EQ(*rects.maximize, (EdgeRect{379, 5, 395, 19}));
    EXPECT_EQ(*rects.minimize, (EdgeRect{363, 5, 379, 19}));
    // The buttons stay inside the room the caption rectangle leaves.
    EXPECT_GE(rects.minimize->left, 359);
}

TEST(CaptionButtonsTest, DialogAndToolWindow) {
    const CaptionButtonRects dialog = GetCaptionButtonRects(
        MakeFrame(Style::bsDialog, {biSystemMenu, biHelp, biMinimize}), kSystemMetrics);
    ASSERT_TRUE(dialog.close && dialog.help);
    EXPECT_FALSE(dialog.minimize || dialog.maximize);
    EXPECT_EQ(*dialog.help, (EdgeRect{379, 5, 395, 19}));
    const CaptionButtonRects tool = GetCaptionButtonRects(
        MakeFrame(Style::bsToolWindow, {biSystemMenu, biMinimize}), kSystemMetrics);
    ASSERT_TRUE(tool.close);
    EXPECT_FALSE(tool.minimize);
    EXPECT_EQ(*tool.close, (EdgeRect{400, 5, 413, 15}));
}

TEST(FormFrameMarginsTest, BorderOnEverySideCaptionOnTop) {
    EXPECT_EQ(FormFrameMargins(Style::bsSingle, kSystemMetrics), QMargins(3, 22, 3, 3));
    EXPECT_EQ(FormFrameMargins(Style::bsSizeable, kSystemMetrics), QMargins(4, 23, 4, 4));
    EXPECT_EQ(FormFrameMargins(Style::bsToolWindow, kSystemMetrics), QMargins(3, 18, 3, 3));
    EXPECT_EQ(FormFrameMargins(Style::bsNone, kSystemMetrics), QMargins());
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

CaptionTextInput Text(int width, bool visible = true, bool empty = false) {
    return {width, visible, empty};
}

constexpr EdgeRect kMainCaption{3, 3, 359, 21};

TEST(CaptionLayoutTest, NewStylePutsIconThenTextsSideBySide) {
    const CaptionLayout layout =
        LayOutCaption(kMainCaption, true, true, kSystemMetrics, Text(50), Text(40), Text(30));
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
        LayOutCaption(caption, false, true, kSystemMetrics, Text(50), Text(40), Text(30));
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
        LayOutCaption({0, 0, 20, 18}, false, true, kSystemMetrics, Text(50), Text(40), Text(30));
    EXPECT_EQ(layout.captionText.bounds, (EdgeRect{3, 0, 20, 18}));
    EXPECT_EQ(layout.captionText.Inked(), (EdgeRect{3, 0, 20, 18}));
}

TEST(CaptionLayoutTest, HiddenOrEmptyTextsStillCountInTheFitTest) {
    // A wide hidden company label makes the fit test fall back to the other two.
    const CaptionLayout wideHidden = LayOutCaption({0, 0, 200, 18}, false, true, kSystemMetrics,
                                                   Text(150, false), Text(40), Text(30));
    EXPECT_FALSE(wideHidden.company.drawn);
    EXPECT_EQ(wideHidden.appName.bounds.left, 3);
    // An empty label is not drawn but its 3 pixels count.
    const CaptionLayout empty = LayOutCaption({0, 0, 100, 18}, false, false, kSystemMetrics,
                                              Text(3, true, true), Text(40), Text(30));
    EXPECT_FALSE(empty.company.drawn);
    EXPECT_EQ(empty.appName.bounds.left, (100 - 73) / 2 + 3);
    const CaptionLayout hiddenCaption = LayOutCaption(kMainCaption, false, true, kSystemMetrics,
                                                      Text(50), Text(40), Text(30, false));
    EXPECT_FALSE(hiddenCaption.captionText.drawn);
}

TEST(CaptionLayoutTest, OldStyleCentresTheChosenTexts) {
    const EdgeRect caption{21, 3, 379, 21};  // 358 wide, right of the system-menu box
    const CaptionLayout layout =
        LayOutCaption(caption, false, false, kSystemMetrics, Text(50), Text(40), Text(30));
    EXPECT_FALSE(layout.icon);
    EXPECT_EQ(layout.company.bounds.left, 21 + 119 + 3);  // (358 - 120) / 2
    // A hidden company label still takes its share of the centring.
    const CaptionLayout hidden =
        LayOutCaption(caption, false, false, kSystemMetrics, Text(50, false), Text(40), Text(30));
    EXPECT_EQ(hidden.appName.bounds.left, 21 + 119 + 3);
}

TEST(CaptionIconTest, OnlyNewStyleFramesWithASystemMenuBox) {
    EXPECT_TRUE(ShowsCaptionIcon(MakeFrame(Style::bsSingle, {biSystemMenu})));
    EXPECT_TRUE(ShowsCaptionIcon(MakeFrame(Style::bsSizeable, {biSystemMenu})));
    EXPECT_FALSE(ShowsCaptionIcon(MakeFrame(Style::bsDialog, {biSystemMenu, biHelp})));
    EXPECT_FALSE(ShowsCaptionIcon(MakeFrame(Style::bsToolWindow, {biSystemMenu})));
    EXPECT_FALSE(ShowsCaptionIcon(MakeFrame(Style::bsSingle, {biMinimize})));
    EXPECT_FALSE(ShowsCaptionIcon(MakeFrame(Style::bsSingle, {biSystemMenu}, kMainWindow, false)));
}

}  // namespace
}  // namespace chiffrel
