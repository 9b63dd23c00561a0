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

#include "platform/detached_work.h"

namespace chiffrel {

// What one print needs, taken from the window on its own thread: plain values, so that the
// printing thread never touches a widget.
struct PrintJob {
    QString text;
    QFont font;
    QString title;  // of the job in the print queue
    qreal screenDpi = 96;
};

// How far a printing thread has gone, as both threads see it: the window gives a job up only
// while it is still connecting, and the thread goes on past connecting only with a job that the
// window still waits for.
enum class PrintPhase { kConnecting, kConnected, kGivenUp };

struct PrintProgress {
    std::atomic<PrintPhase> phase{PrintPhase::kConnecting};
    std::atomic<bool> ended{false};  // the printing thread is done with the print system
};

// Prints one job at a time on a thread of its own, so that a print system that is slow or silent
// never holds up the window: laying out, finding the printer and handing the job over all happen
// there, over the program's own connection to the print server. The object lives on the window's
// thread; the printing thread reports to it through queued calls, and its time limits are timers
// there, since a thread held inside the print library runs no event loop. Such a thread is never
// waited for beyond those limits: once let go, it uses nothing of the program's and ends with
// the process.
class BackgroundPrinter {
  public:
    // How long a print may take to reach the print server (loading the print library, finding
    // the server, connecting) before it is given up as having no printer. Once connected, only
    // the server's silence ends the print.
    static constexpr std::chrono::seconds kConnectDeadline{5};
    // How long a print goes on before the busy cursor shows it.
    static constexpr std::chrono::milliseconds kBusyCursorDelay{500};
    // At exit, a print under way goes on as long as the print server keeps answering, but never
    // beyond this.
    static constexpr std::chrono::seconds kExitLimit{60};

    BackgroundPrinter();
    ~BackgroundPrinter();
    BackgroundPrinter(const BackgroundPrinter&) = delete;
    BackgroundPrinter& operator=(const BackgroundPrinter&) = delete;

    // Starts printing `job` on the default printer. `finished` runs later on this thread, while
    // `window` lives, with the job's error or none once the print server has answered the
    // document. Throws the error of no printer at once while a job given up before still waits
    // for the print system. Must not be called again before `finished` has run.
    void Start(PrintJob job, QObject& window, std::function<void(std::exception_ptr)> finished);

    // For the end of the program, once its windows are hidden: lets a print under way reach the
    // print system within the exit limit, running the event loop meanwhile. Nothing is reported
    // to the window any more, and the printing thread is let go before this returns.
    void FinishBeforeExit();

  private:
    void ShowBusyCursor();
    void GiveUpUnlessConnected();
    void End(const std::exception_ptr& error);

    PrintJob job_;  // laid out by the printing thread, within a delivery
    std::shared_ptr<PrintProgress> progress_;
    std::shared_ptr<PrintProgress> givenUp_;  // a job given up while connecting
    QPointer<QObject> window_;
    std::function<void(std::exception_ptr)> finished_;
    QTimer connectDeadline_;
    QTimer busyCursor_;
    bool busyCursorShown_ = false;
    QObject reports_;  // where the printing thread's calls arrive
    // Last, so that it lets the printing thread go before the job and reports_ end.
    WorkReceiver receiver_;
};

}  // namespace chiffrel
