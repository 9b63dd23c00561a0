#include "components/CClock.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "forms/form_style.h"
#include "pictures/bevel.h"

namespace chiffrel {
namespace {

constexpr int kDefaultSize = 66;
constexpr int kTickIntervalMs = 1000;
constexpr int kMinutesPerDay = 24 * 60;
constexpr int kSmallMarkHalf = 2;

double MinuteAngle(int minutePosition) {
    return minutePosition * 2.0 * std::numbers::pi / 60.0;
}

void PaintFace(QPixmap& face, const ClockGeometry& geometry, const QColor& faceColor,
               const QPalette& colours) {
    face.fill(faceColor);
    QPainter painter(&face);
    const QColor highlight = SystemColorValue(SystemColor::ButtonHighlight, colours);
    const QColor shadow = SystemColorValue(SystemColor::ButtonShadow, colours);
    // The marks look raised: lit on their left and top sides, shaded on the others.
    for (int mark = 0; mark < 60; mark += 5) {
        DrawBevelRing(painter, TickBox(geometry, mark), highlight, shadow);
    }
}

}  // namespace

ClockGeometry ComputeGeometry(int width, int height) {
    ClockGeometry geometry{};
    geometry.centreX = width / 2;
    geometry.centreY = height / 2;
    const int half = std::min(geometry.centreX, geometry.centreY);
    geometry.tickSize = std::max(half / 8, 6);
    geometry.radius = half - (geometry.tickSize + 2);
    return geometry;
}

ClockTime AdjustedTime(QTime localTime, int difHour, int difMinute) {
    int total = localTime.hour() * 60 + localTime.minute() + difHour * 60 + difMinute;
    if (total < 0) {
        total += kMinutesPerDay;
    }
    return {total / 60, total % 60, localTime.second()};
}

QString SpokenTime(const ClockTime& time) {
    return QStringLiteral("Horloge : %1:%2")
        .arg(time.hour % 24, 2, 10, QLatin1Char('0'))
        .arg(time.minute, 2, 10, QLatin1Char('0'));
}

QPoint ClockPoint(int centreX, int centreY, double length, double angle) {
    return {centreX + static_cast<int>(std::trunc(length * std::sin(angle))),
            centreY + static_cast<int>(std::trunc(-length * std::cos(angle)))};
}

HandAngles ComputeHandAngles(const ClockTime& time) {
    const double turn = 2.0 * std::numbers::pi;
    return {time.second * turn / 60.0, time.minute * turn / 60.0,
            (time.hour % 12) * turn / 12.0 + time.minute * turn / 720.0};
}

std::vector<ClockHand> ComputeHands(const ClockGeometry& geometry, const ClockTime& time,
                                    bool withSecondHand) {
    const HandAngles angles = ComputeHandAngles(time);
    const auto hand = [&](double lengthFactor, double angle, int penWidth) {
        return ClockHand{
            ClockPoint(geometry.centreX, geometry.centreY, lengthFactor * geometry.radius, angle),
            penWidth};
    };
    std::vector<ClockHand> hands;
    if (withSecondHand) {
        hands.push_back(hand(1.0, angles.second, 1));
    }
    hands.push_back(hand(0.95, angles.minute, 3));
    hands.push_back(hand(0.6, angles.hour, 6));
    return hands;
}

QRect TickBox(const ClockGeometry& geometry, int minuteMark) {
    const QPoint centre =
        ClockPoint(geometry.centreX, geometry.centreY, geometry.radius + geometry.tickSize / 2,
                   MinuteAngle(minuteMark));
    const int half = minuteMark % 15 == 0 ? geometry.tickSize / 2 : kSmallMarkHalf;
    return {centre.x() - half, centre.y() - half, 2 * half, 2 * half};
}

int WrapOffset(int value, int period) {
    return value % period;
}

TClock::TClock(QWidget* parent)
    : QWidget(parent),
      timer_(new QTimer(this)),
      timeSource_([] { return QTime::currentTime(); }),
      tickGuard_([](const std::function<void()>& tick) { tick(); }) {
    resize(kDefaultSize, kDefaultSize);
    // Every pixel is painted from the face, so nothing behind the clock needs repainting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_->setInterval(kTickIntervalMs);
    connect(timer_, &QTimer::timeout, this, [this] { tickGuard_([this] { TickTimer(); }); });
    timer_->start();
    UpdateSpokenTime();
}

void TClock::SetClkArrowColor(TColor color) {
    arrowColor_ = color;
    InvalidateFace();
}

void TClock::SetClkFaceColor(TColor color) {
    faceColor_ = color;
    InvalidateFace();
}

void TClock::SetDifHour(int hours) {
    difHour_ = WrapOffset(hours, 12);
    UpdateSpokenTime();
    update();
}

void TClock::SetDifMinute(int minutes) {
    difMinute_ = WrapOffset(minutes, 60);
    UpdateSpokenTime();
    update();
}

void TClock::SetSecArrow(bool shown) {
    secArrow_ = shown;
    lastTickTime_ = QTime(0, 0);
    InvalidateFace();
}

void TClock::SetTimeSource(TimeSource source) {
    timeSource_ = std::move(source);
    UpdateSpokenTime();
}

void TClock::SetTickGuard(TickGuard guard) {
    tickGuard_ = std::move(guard);
}

void TClock::TickTimer() {
    const QTime current = timeSource_();
    const ClockTime now = AdjustedTime(current, difHour_, difMinute_);
    const ClockTime last = AdjustedTime(lastTickTime_, difHour_, difMinute_);
    const bool newMinute = last.second > now.second;
    if (onSecond_) {
        onSecond_(*this);
    }
    if (onMinute_ && newMinute) {
        onMinute_(*this);
    }
    if (onHour_ && last.minute > now.minute) {
        onHour_(*this);
    }
    lastTickTime_ = current;
    if (secArrow_ || newMinute) {
        update();
    }
    ShowSpokenTime(SpokenTime(now));
}

void TClock::paintEvent(QPaintEvent* /*event*/) {
    // A face drawn for another pixel ratio (the window moved to a screen of another scale) would
    // be enlarged or shrunk: it is drawn again, as for any full repaint.
    if (faceStale_ || face_.devicePixelRatio() != devicePixelRatioF()) {
        RebuildFace();
    }
    // The widget's backing store is the off-screen bitmap: face and hands reach the screen
    // together, so the hands never flicker over a bare face.
    QPainter painter(this);
    painter.drawPixmap(0, 0, face_);
    QPen pen(ClkArrowColor().Resolve(Colours()), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const ClockTime shown = AdjustedTime(timeSource_(), difHour_, difMinute_);
    const QPoint centre(geometry_.centreX, geometry_.centreY);
    for (const ClockHand& hand : ComputeHands(geometry_, shown, secArrow_)) {
        pen.setWidth(hand.penWidth);
        painter.setPen(pen);
        painter.drawLine(centre, hand.end);
    }
}

void TClock::resizeEvent(QResizeEvent* event) {
    InvalidateFace();
    QWidget::resizeEvent(event);
}

void TClock::showEvent(QShowEvent* event) {
    InvalidateFace();
    QWidget::showEvent(event);
}

void TClock::changeEvent(QEvent* event) {
    // The face and mark colours may follow the theme.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        InvalidateFace();
    }
    QWidget::changeEvent(event);
}

void TClock::UpdateSpokenTime() {
    ShowSpokenTime(SpokenTime(AdjustedTime(timeSource_(), difHour_, difMinute_)));
}

// Qt tells every setting of the name as a change: the name is set only when the minute changes.
void TClock::ShowSpokenTime(const QString& text) {
    if (accessibleName() != text) {
        setAccessibleName(text);
    }
}

// Hands of a fixed colour on a face that follows the desktop, or the reverse, would vanish in a
// dark scheme: beside a fixed colour, the desktop's colours come from the design palette.
QPalette TClock::Colours() const {
    const bool oneFixed =
        arrowColor_.SystemRole().has_value() != faceColor_.SystemRole().has_value();
    return oneFixed ? ui::DesignPalette() : QGuiApplication::palette();
}

void TClock::InvalidateFace() {
    faceStale_ = true;
    update();
}

// A full repaint of the clock: new geometry and face, and the next tick compares against
// midnight, as after any repaint that the window system asks for.
void TClock::RebuildFace() {
    geometry_ = ComputeGeometry(width(), height());
    const qreal ratio = devicePixelRatioF();
    face_ = QPixmap(size() * ratio);
    face_.setDevicePixelRatio(ratio);
    if (!face_.isNull()) {
        const QPalette colours = Colours();
        PaintFace(face_, geometry_, ClkFaceColor().Resolve(colours), colours);
    }
    lastTickTime_ = QTime(0, 0);
    faceStale_ = false;
}

}  // namespace chiffrel
