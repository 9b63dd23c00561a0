#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>

namespace chiffrel {

// What one print needs, taken from the window on its own thread: plain values, so that the
// printing thread never touches a widget.
struct PrintJob {
    QString text;
    QFont font;
    QString title;  // of the job in the print queue
    qreal screenDpi = 96;
};

// Where a printing thread reports, on the window's thread. It outlives the thread's last report,
// so that the thread can always post to it whether anyone still waits for the job or not, and
// deletes itself once that report is delivered. Its callbacks are set and run on the window's
// thread only.
class PrintReports : public QObject {
  public:
    std::function<void()> answered;  // the print server answered a request
    std::function<void(std::exception_ptr)> finished;
};

// How far a printing thread has gone, as both threads see it: the window gives a job up only
// while it is still connecting, and the thread goes on past connecting only with a job that the
// window still waits for.
enum class PrintPhase { kConnecting, kConnected, kGivenUp };

// Prints one job at a time on a thread of its own, so that a print system that is slow or silent
// never holds up the window: laying out, finding the printer and handing the job over all happen
// there, over the program's own connection to the print server. The object lives on the window's
// thread; the printing thread reports to it through queued calls, and its time limits are timers
// there, since a thread held inside the print library runs no event loop. Such a thread is never
// waited for beyond those limits: it is left to end with the process.
class BackgroundPrinter {
  public:
    // How long a print may take to reach the print server (loading the print library, finding
    // the server, connecting) before it is given up as having no printer. Once connected, only
    // the server's silence ends the print.
    static constexpr std::chrono::seconds kConnectDeadline{5};
    // How long a print goes on before the busy cursor shows it.
    static constexpr std::chrono::milliseconds kBusyCursorDelay{500};
    // At exit, how long a print under way is waited for: not beyond kExitSilence unless the
    // print server answers in that time, and never beyond kExitLimit.
    static constexpr std::chrono::seconds kExitSilence{2};
    static constexpr std::chrono::seconds kExitLimit{10};

    BackgroundPrinter();
    ~BackgroundPrinter();
    BackgroundPrinter(const BackgroundPrinter&) = delete;
    BackgroundPrinter& operator=(const BackgroundPrinter&) = delete;

    // Starts printing `job` on the default printer. `finished` runs later on this thread, while
    // `window` lives, with the job's error or none once the print system has the job. Throws the
    // error of no printer at once while a job given up before still waits for the print system.
    // Must not be called again before `finished` has run.
    void Start(PrintJob job, QObject& window, std::function<void(std::exception_ptr)> finished);

    // For the end of the program, once the window has closed: lets a print under way reach the
    // print system within the exit limits, running the event loop meanwhile. Nothing is reported
    // to the window any more.
    void FinishBeforeExit();

  private:
    void ShowBusyCursor();
    void GiveUpUnlessConnected();
    void End(const std::exception_ptr& error);

    QPointer<PrintReports> current_;  // the job the window waits for
    QPointer<PrintReports> givenUp_;  // a job given up whose thread has not ended yet
    std::shared_ptr<std::atomic<PrintPhase>> phase_;
    QPointer<QObject> window_;
    std::function<void(std::exception_ptr)> finished_;
    QTimer connectDeadline_;
    QTimer busyCursor_;
    bool busyCursorShown_ = false;
};

}  // namespace chiffrel
