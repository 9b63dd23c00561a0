#pragma once

#include <QElapsedTimer>
#include <QFont>
#include <QPrinter>
#include <QString>
#include <QTimer>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>

class QTextDocument;

namespace chiffrel {

// Prints the document on `printer` over the whole printable area of the page, with no margin
// or page number of its own, page after page. `screenDpi` is the resolution the document is
// laid out in.
void PrintOverPrintableArea(QTextDocument& document, QPrinter& printer, qreal screenDpi);

// The system's default printer; throws a ProgramError when none is configured or the print
// system does not answer within a few seconds.
std::unique_ptr<QPrinter> DefaultPrinter();

using PrinterFactory = std::function<std::unique_ptr<QPrinter>()>;

// What one print needs, taken from the window on its own thread: plain values, so that the
// printing thread never touches a widget.
struct PrintJob {
    QString text;
    QFont font;
    QString title;  // of the job in the print queue
    qreal screenDpi = 96;
};

class PrintWorker;

// Prints one job at a time on a thread of its own, so that a print system that is slow or
// silent never holds up the window: finding the printer, laying out and printing all happen
// there, on the thread's own printer and document. The object lives on the window's thread,
// where it learns how the job ended.
class BackgroundPrinter {
  public:
    // How long the window waits for the printer to be found before it gives the job up as
    // having no printer.
    static constexpr std::chrono::seconds kSearchDeadline{5};

    BackgroundPrinter();
    // Waits a little for a job under way, which still uses Qt's printing services.
    ~BackgroundPrinter();
    BackgroundPrinter(const BackgroundPrinter&) = delete;
    BackgroundPrinter& operator=(const BackgroundPrinter&) = delete;

    // Starts printing `job` on the printer that `makePrinter` gives. `finished` runs later on
    // this thread with the job's error, or none once it is printed; when the printer is not
    // found within kSearchDeadline, with the error of no printer, and the job then never prints.
    // Throws that error at once while a job given up that way still waits for the print
    // system. Must not be called again before `finished` has run.
    void Start(PrintJob job, PrinterFactory makePrinter,
               std::function<void(std::exception_ptr)> finished);

  private:
    void Poll();

    std::shared_ptr<PrintWorker> current_;
    std::function<void(std::exception_ptr)> finished_;
    QTimer poll_;
    QElapsedTimer started_;
};

}  // namespace chiffrel
