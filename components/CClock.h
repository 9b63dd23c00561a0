#pragma once

// TClock: an analog clock that shows the local time of day, optionally shifted by whole hours
// and minutes, with three notifications (every tick, each new minute, each new hour).

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QTime>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/windowing/system_metrics.h"

class QTimer;

namespace chiffrel {

// Where the clock draws, for a control of a given size.
struct ClockGeometry {
    int centreX;
    int centreY;
    int radius;    // base length of the hands
    int tickSize;  // side of the quarter-hour marks
    bool operator==(const ClockGeometry&) const = default;
};

ClockGeometry ComputeGeometry(int width, int height);

// A time of day as the clock shows it. The hour is not reduced: 23:30 shifted by 11 hours is
// hour 34, which the hour hand shows as 10 o'clock.
struct ClockTime {
    int hour;
    int minute;
    int second;
    bool operator==(const ClockTime&) const = default;
};

ClockTime AdjustedTime(QTime localTime, int difHour, int difMinute);

// What a screen reader says of the clock showing `time`: "Horloge : 14:35", hours 0 to 23.
QString SpokenTime(const ClockTime& time);

// The point at `length` pixels from the centre, `angle` radians clockwise from 12 o'clock,
// each coordinate truncated toward zero.
QPoint ClockPoint(int centreX, int centreY, double length, double angle);

struct HandAngles {
    double second;
    double minute;
    double hour;
};

HandAngles ComputeHandAngles(const ClockTime& time);

struct ClockHand {
    QPoint end;
    int penWidth;
    bool operator==(const ClockHand&) const = default;
};

// The hands from the centre, in drawing order: second (when shown), minute, hour.
std::vector<ClockHand> ComputeHands(const ClockGeometry& geometry, const ClockTime& time,
                                    bool withSecondHand);

// The box of the mark at minute position `minuteMark` (0, 5, ..., 55).
QRect TickBox(const ClockGeometry& geometry, int minuteMark);

// `value` reduced to less than `period` in magnitude, keeping its sign (14 in 12 gives 2,
// -13 gives -1).
int WrapOffset(int value, int period);

class TClock : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int DifHour READ DifHour WRITE SetDifHour)
    Q_PROPERTY(int DifMinute READ DifMinute WRITE SetDifMinute)
    Q_PROPERTY(bool SecArrow READ SecArrow WRITE SetSecArrow)

  public:
    using Notify = std::function<void(TClock& sender)>;
    using TimeSource = std::function<QTime()>;
    // Runs one timer tick. The host passes its error guard here so that an error raised by a
    // notification is reported instead of unwinding through the event loop.
    using TickGuard = std::function<void(const std::function<void()>& tick)>;

    explicit TClock(QWidget* parent = nullptr);

    TColor ClkArrowColor() const { return arrowColor_; }
    void SetClkArrowColor(TColor color);
    TColor ClkFaceColor() const { return faceColor_; }
    void SetClkFaceColor(TColor color);
    int DifHour() const { return difHour_; }
    void SetDifHour(int hours);
    int DifMinute() const { return difMinute_; }
    void SetDifMinute(int minutes);
    bool SecArrow() const { return secArrow_; }
    void SetSecArrow(bool shown);

    void SetOnSecond(Notify handler) { onSecond_ = std::move(handler); }
    void SetOnMinute(Notify handler) { onMinute_ = std::move(handler); }
    void SetOnHour(Notify handler) { onHour_ = std::move(handler); }

    // Local time by default; the clock reads it at each tick and each drawing.
    void SetTimeSource(TimeSource source);
    // Calls the tick directly by default.
    void SetTickGuard(TickGuard guard);

    // One tick of the one-second timer: notifications, then the hands when they moved.
    void TickTimer();

    // The face with its marks, as last drawn, at the pixel ratio of the screen it was drawn for.
    const QPixmap& Face() const { return face_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QPalette Colours() const;  // where the system colours of face, marks and hands are read
    void InvalidateFace();
    void RebuildFace();
    // The clock's accessible name tells the time it shows; it changes once a minute.
    void UpdateSpokenTime();
    void ShowSpokenTime(const QString& text);

    QTimer* timer_;
    QPixmap face_;
    bool faceStale_ = true;
    Notify onSecond_;
    Notify onMinute_;
    Notify onHour_;
    TimeSource timeSource_;
    TickGuard tickGuard_;
    ClockGeometry geometry_{};
    QTime lastTickTime_{0, 0};
    bool secArrow_ = true;
    TColor arrowColor_{Qt::black};
    TColor faceColor_ = TColor::System(SystemColor::ButtonFace);
    int difHour_ = 0;
    int difMinute_ = 0;
};

}  // namespace chiffrel
