#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "components/CClock.h"

namespace chiffrel {
namespace {

constexpr double kTurn = 2.0 * std::numbers::pi;

// ----- Geometry -----

struct GeometryCase {
    int width;
    int height;
    ClockGeometry expected;
};

class ClockGeometryTest : public testing::TestWithParam<GeometryCase> {};

TEST_P(ClockGeometryTest, CentreRadiusAndTickSizeFollowTheSmallerSide) {
    const auto& c = GetParam();
    EXPECT_EQ(ComputeGeometry(c.width, c.height), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ClockGeometryTest,
    testing::Values(GeometryCase{73, 57, {36, 28, 20, 6}},      // the main window's clock
                    GeometryCase{66, 66, {33, 33, 25, 6}},      // default size: tick 4 raised to 6
                    GeometryCase{160, 200, {80, 100, 68, 10}},  // tick from the radius
                    GeometryCase{10, 10, {5, 5, -3, 6}}));      // too small: negative radius

TEST(ClockTickBoxTest, MainWindowClockMarks) {
    const ClockGeometry geometry = ComputeGeometry(73, 57);
    EXPECT_EQ(TickBox(geometry, 0), QRect(QPoint(33, 2), QPoint(38, 7)));
    EXPECT_EQ(TickBox(geometry, 15), QRect(56, 25, 6, 6));  // centred at (59, 28), right-exclusive
    EXPECT_EQ(TickBox(geometry, 30), QRect(33, 48, 6, 6));
    EXPECT_EQ(TickBox(geometry, 5), QRect(45, 7, 4, 4));  // small mark at 1 o'clock: (47, 9)
}

// ----- Time and hands -----

struct AdjustCase {
    QTime local;
    int difHour;
    int difMinute;
    ClockTime expected;
    const char* spoken;  // what a screen reader says of the clock
};

class AdjustedTimeTest : public testing::TestWithParam<AdjustCase> {};

TEST_P(AdjustedTimeTest, ShiftsByTheOffsets) {
    const auto& c = GetParam();
    EXPECT_EQ(AdjustedTime(c.local, c.difHour, c.difMinute), c.expected);
    EXPECT_EQ(SpokenTime(c.expected), c.spoken);
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, AdjustedTimeTest,
    testing::Values(
        AdjustCase{QTime(10, 7, 30), 0, 0, {10, 7, 30}, "Horloge : 10:07"},
        AdjustCase{QTime(0, 20), -1, 0, {23, 20, 0}, "Horloge : 23:20"},  // wraps before midnight
        AdjustCase{QTime(23, 30, 5), 11, 0, {34, 30, 5}, "Horloge : 10:30"},  // hour not reduced
        AdjustCase{QTime(0, 10), 0, -15, {23, 55, 0}, "Horloge : 23:55"},
        AdjustCase{QTime(12, 50), 0, 20, {13, 10, 0}, "Horloge : 13:10"},
        AdjustCase{QTime(0, 0), -11, -59, {12, 1, 0}, "Horloge : 12:01"}));

TEST(ClockHandsTest, AnglesAtTenSevenThirty) {
    const HandAngles angles = ComputeHandAngles({10, 7, 30});
    EXPECT_DOUBLE_EQ(angles.hour, kTurn * (10.0 / 12 + 7.0 / 720));
    EXPECT_DOUBLE_EQ(angles.minute, kTurn * 7 / 60);
    EXPECT_DOUBLE_EQ(angles.second, kTurn / 2);
}

TEST(ClockHandsTest, HourHandUsesTheHourModuloTwelve) {
    EXPECT_DOUBLE_EQ(ComputeHandAngles({34, 30, 0}).hour, ComputeHandAngles({10, 30, 0}).hour);
}

TEST(ClockHandsTest, EndPointsAtTenSevenThirtyOnTheMainWindowClock) {
    const ClockGeometry geometry = ComputeGeometry(73, 57);
    // Second hand 20 px straight down; minute 19 px at 42 degrees; hour 12 px at 303.5 degrees.
    const std::vector<ClockHand> expected{{{36, 48}, 1}, {{48, 14}, 3}, {{26, 22}, 6}};
    EXPECT_EQ(ComputeHands(geometry, {10, 7, 30}, true), expected);
    const std::vector<ClockHand> withoutSeconds{{{48, 14}, 3}, {{26, 22}, 6}};
    EXPECT_EQ(ComputeHands(geometry, {10, 7, 30}, false), withoutSeconds);
}

TEST(ClockHandsTest, PointsTruncateTowardZero) {
    // 20 × sin 42° = 13.38 and -20 × cos 42° = -14.86 truncate to 13 and -14.
    EXPECT_EQ(ClockPoint(36, 28, 20, kTurn * 7 / 60), QPoint(49, 14));
    // Negative products: 20 × sin 222° = -13.38 gives -13, not -14.
    EXPECT_EQ(ClockPoint(36, 28, 20, kTurn * 37 / 60), QPoint(23, 42));
}

struct OffsetCase {
    int value;
    int period;
    int expected;
};

class WrapOffsetTest : public testing::TestWithParam<OffsetCase> {};

TEST_P(WrapOffsetTest, KeepsTheSign) {
    const auto& c = GetParam();
    EXPECT_EQ(WrapOffset(c.value, c.period), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Values, WrapOffsetTest,
                         testing::Values(OffsetCase{25, 12, 1}, OffsetCase{14, 12, 2},
                                         OffsetCase{-13, 12, -1}, OffsetCase{12, 12, 0},
                                         OffsetCase{-75, 60, -15}, OffsetCase{59, 60, 59}));

// ----- The control -----

class ClockWidgetTest : public testing::Test {
  protected:
    void SetUp() override {
        clock_.resize(73, 57);
        clock_.SetTimeSource([this] { return now_; });
        // Ticks are driven by the tests, never by the wall clock.
        clock_.findChild<QTimer*>()->stop();
        clock_.SetOnSecond([this](TClock&) { events_.push_back("second"); });
        clock_.SetOnMinute([this](TClock&) { events_.push_back("minute"); });
        clock_.SetOnHour([this](TClock&) { events_.push_back("hour"); });
    }

    void TickAt(QTime time) {
        now_ = time;
        clock_.TickTimer();
    }

    QImage Render() { return clock_.grab().toImage(); }

    TClock clock_;
    QTime now_{10, 0};
    std::vector<std::string> events_;
};

TEST_F(ClockWidgetTest, DefaultsAndTimer) {
    TClock fresh;
    EXPECT_EQ(fresh.size(), QSize(66, 66));
    EXPECT_TRUE(fresh.SecArrow());
    EXPECT_EQ(fresh.ClkArrowColor(), TColor(Qt::black));
    EXPECT_EQ(fresh.ClkFaceColor(), TColor::System(SystemColor::ButtonFace));
    const auto* timer = fresh.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_TRUE(timer->isActive());
}

TEST_F(ClockWidgetTest, OffsetSettersReduceTheValue) {
    clock_.SetDifHour(25);
    clock_.SetDifMinute(-75);
    EXPECT_EQ(clock_.DifHour(), 1);
    EXPECT_EQ(clock_.DifMinute(), -15);
    EXPECT_TRUE(clock_.setProperty("DifHour", -13));
    EXPECT_EQ(clock_.DifHour(), -1);
}

TEST_F(ClockWidgetTest, NotificationsFireInOrderWhenSecondsAndMinutesWrap) {
    TickAt(QTime(10, 59, 58));
    TickAt(QTime(10, 59, 59));
    EXPECT_EQ(events_, (std::vector<std::string>{"second", "second"}));
    events_.clear();
    TickAt(QTime(11, 0, 0));
    EXPECT_EQ(events_, (std::vector<std::string>{"second", "minute", "hour"}));
    events_.clear();
    TickAt(QTime(11, 1, 0));  // same second: only a full wrap counts
    TickAt(QTime(11, 2, 2));
    EXPECT_EQ(events_, (std::vector<std::string>{"second", "second"}));
}

TEST_F(ClockWidgetTest, WrapsAreJudgedOnTheShiftedTime) {
    clock_.SetDifMinute(30);
    TickAt(QTime(10, 29, 59));  // shows 10:59:59
    events_.clear();
    TickAt(QTime(10, 30, 0));  // shows 11:00:00
    EXPECT_EQ(events_, (std::vector<std::string>{"second", "minute", "hour"}));
}

TEST_F(ClockWidgetTest, AfterSecArrowChangeTheNextTickComparesAgainstMidnight) {
    TickAt(QTime(10, 29, 59));
    clock_.SetSecArrow(true);
    events_.clear();
    TickAt(QTime(10, 30, 15));  // against 00:00:00: no wrap
    EXPECT_EQ(events_, (std::vector<std::string>{"second"}));
}

TEST_F(ClockWidgetTest, MidnightShiftedByTheOffsetsCanRaiseOnHour) {
    clock_.SetDifHour(-1);
    clock_.SetDifMinute(-15);
    TickAt(QTime(11, 29, 59));
    clock_.SetSecArrow(false);
    events_.clear();
    // Midnight shifted shows 22:45:00; now shows 10:15:10: minute 45 > 15, second 0 < 10.
    TickAt(QTime(11, 30, 10));
    EXPECT_EQ(events_, (std::vector<std::string>{"second", "hour"}));
}

TEST_F(ClockWidgetTest, ARepaintOfTheWholeClockResetsTheLastTick) {
    TickAt(QTime(10, 59, 58));
    clock_.resize(80, 60);
    Render();
    events_.clear();
    TickAt(QTime(11, 0, 1));
    EXPECT_EQ(events_, (std::vector<std::string>{"second"}));
}

TEST_F(ClockWidgetTest, TheGuardRunsEveryTimerTick) {
    std::vector<std::string> caught;
    clock_.SetTickGuard([&caught](const std::function<void()>& tick) {
        try {
            tick();
        } catch (const std::exception& error) {
            caught.emplace_back(error.what());
        }
    });
    clock_.SetOnSecond([](TClock&) { throw std::runtime_error("Division flottante par zéro"); });
    ASSERT_TRUE(QMetaObject::invokeMethod(clock_.findChild<QTimer*>(), "timeout"));
    EXPECT_EQ(caught, (std::vector<std::string>{"Division flottante par zéro"}));
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    int count = 0;

  protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return false;
    }
};

class ClockRedrawTest : public testing::Test {
  protected:
    void SetUp() override {
        host_.resize(200, 100);
        clock_ = new TClock(&host_);
        clock_->setGeometry(336 - 300, 2, 73, 57);
        clock_->SetTimeSource([this] { return now_; });
        clock_->findChild<QTimer*>()->stop();
        host_.show();
        QApplication::processEvents();
        host_.installEventFilter(&hostPaints_);
        clock_->installEventFilter(&clockPaints_);
    }

    int PaintsAfterTickAt(QTime time) {
        now_ = time;
        clockPaints_.count = 0;
        clock_->TickTimer();
        QApplication::processEvents();
        return clockPaints_.count;
    }

    QWidget host_;
    TClock* clock_ = nullptr;
    QTime now_{10, 0};
    PaintCounter hostPaints_;
    PaintCounter clockPaints_;
};

TEST_F(ClockRedrawTest, WithTheSecondHandEachTickRepaintsOnlyTheClock) {
    EXPECT_EQ(PaintsAfterTickAt(QTime(10, 0, 1)), 1);
    EXPECT_EQ(PaintsAfterTickAt(QTime(10, 0, 2)), 1);
    EXPECT_EQ(hostPaints_.count, 0);
}

TEST_F(ClockRedrawTest, WithoutTheSecondHandOnlyANewMinuteRepaints) {
    clock_->SetSecArrow(false);
    QApplication::processEvents();
    EXPECT_EQ(PaintsAfterTickAt(QTime(10, 0, 5)), 0);
    EXPECT_EQ(PaintsAfterTickAt(QTime(10, 0, 59)), 0);
    EXPECT_EQ(PaintsAfterTickAt(QTime(10, 1, 0)), 1);
    EXPECT_EQ(PaintsAfterTickAt(QTime(10, 1, 1)), 0);
}

// ----- What the user sees -----

TEST_F(ClockWidgetTest, RenderShowsFaceRaisedMarksAndHands) {
    now_ = QTime(4, 40, 7);
    clock_.SetClkArrowColor(QColor(255, 0, 0));
    const QImage image = Render();
    const QRgb face = SystemColorValue(SystemColor::ButtonFace).rgb();
    const QRgb highlight = SystemColorValue(SystemColor::ButtonHighlight).rgb();
    const QRgb shadow = SystemColorValue(SystemColor::ButtonShadow).rgb();
    const QRgb red = qRgb(255, 0, 0);
    const auto at = [&image](int x, int y) { return image.pixel(x, y); };

    // 12 o'clock mark, box (33, 2)-(39, 8): lit left and top, shaded right and bottom.
    EXPECT_EQ(at(33, 4), highlight);
    EXPECT_EQ(at(35, 2), highlight);
    EXPECT_EQ(at(38, 4), shadow);
    EXPECT_EQ(at(35, 7), shadow);
    EXPECT_EQ(at(38, 2), shadow);  // the shade owns the corners
    EXPECT_EQ(at(33, 7), shadow);
    EXPECT_EQ(at(35, 4), face);
    EXPECT_EQ(at(0, 0), face);

    // Second hand at 7 s ends at (49, 14); the face goes on beyond it.
    EXPECT_EQ(at(49, 14), red);
    EXPECT_EQ(at(51, 11), face);
    // Minute hand at 40 min ends at (20, 37); hour hand at 4:40 at (43, 37).
    EXPECT_EQ(at(20, 37), red);
    EXPECT_EQ(at(43, 37), red);
    EXPECT_EQ(at(36, 28), red);
}

TEST_F(ClockWidgetTest, FaceColourAndOffsetsShowAfterTheSetters) {
    now_ = QTime(4, 40, 7);
    clock_.SetClkFaceColor(QColor(0, 0, 255));
    clock_.SetSecArrow(false);
    EXPECT_EQ(Render().pixelColor(49, 14), QColor(0, 0, 255));
    clock_.SetDifMinute(-33);  // shows 04:07: the minute hand lies where the second hand was
    EXPECT_EQ(Render().pixelColor(48, 14), QColor(Qt::black));
}

}  // namespace
}  // namespace chiffrel
