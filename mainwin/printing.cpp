#include "mainwin/printing.h"

#include <cups/cups.h>

#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "engine/float_error.h"
#include "platform/dynamic_library.h"

namespace chiffrel {

namespace {

class NoPrinter : public ProgramError {
  public:
    NoPrinter() : ProgramError("Aucune imprimante n'est installée : impression impossible") {}
};

constexpr int kConnectTimeoutMs = 2000;
constexpr double kAnswerTimeoutSeconds = 2.0;
// How long quitting waits for a print under way.
constexpr auto kExitWait = std::chrono::seconds(2);
constexpr auto kPollInterval = std::chrono::milliseconds(50);

int GiveUp(http_t*, void*) {
    return 0;
}

// The few functions of the print system's library that the query needs. The library is opened on
// the printing thread when the first print is asked for rather than linked: linked, it and the
// nineteen libraries it brings (TLS, Kerberos, service discovery) would be loaded at every start.
// The headers still check every call.
struct Cups {
    decltype(&cupsServer) server;
    decltype(&ippPort) port;
    decltype(&cupsEncryption) encryption;
    decltype(&httpConnect2) connect;
    decltype(&httpSetTimeout) setTimeout;
    decltype(&cupsGetNamedDest) namedDestination;
    decltype(&cupsFreeDests) freeDestinations;
    decltype(&httpClose) close;
};

std::optional<Cups> OpenCups() {
    // Never closed: Qt's own print support loads the same library to print.
    void* library = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return std::nullopt;
    }
    Cups cups{};
    const bool complete = ResolveFunction(library, "cupsServer", cups.server) &&
                          ResolveFunction(library, "ippPort", cups.port) &&
                          ResolveFunction(library, "cupsEncryption", cups.encryption) &&
                          ResolveFunction(library, "httpConnect2", cups.connect) &&
                          ResolveFunction(library, "httpSetTimeout", cups.setTimeout) &&
                          ResolveFunction(library, "cupsGetNamedDest", cups.namedDestination) &&
                          ResolveFunction(library, "cupsFreeDests", cups.freeDestinations) &&
                          ResolveFunction(library, "httpClose", cups.close);
    return complete ? std::optional<Cups>(cups) : std::nullopt;
}

// The print system's library once opened, or nothing when it is missing: then there is no
// printer either, since Qt prints through the same library.
const Cups* LoadedCups() {
    static const std::optional<Cups> cups = OpenCups();
    return cups ? &*cups : nullptr;
}

// Asks the print system for its default printer over a connection of our own that gives up
// after a few seconds: Qt asks over the print system's shared connection, where a server that
// accepts the connection and never answers holds the caller for about two minutes.
bool PrintSystemAnswersWithADefaultPrinter() {
    const Cups* cups = LoadedCups();
    if (cups == nullptr) {
        return false;
    }
    http_t* http = cups->connect(cups->server(), cups->port(), nullptr, AF_UNSPEC,
                                 cups->encryption(), 1, kConnectTimeoutMs, nullptr);
    if (http == nullptr) {
        return false;
    }
    cups->setTimeout(http, kAnswerTimeoutSeconds, GiveUp, nullptr);
    cups_dest_t* destination = cups->namedDestination(http, nullptr, nullptr);
    const bool found = destination != nullptr;
    cups->freeDestinations(found ? 1 : 0, destination);
    cups->close(http);
    return found;
}

}  // namespace

// What the window's thread and the printing thread share about one job.
class PrintWorker {
  public:
    // Printing goes on only while the window still waits for the job.
    bool StartPrinting() {
        const std::lock_guard lock(mutex_);
        searching_ = false;
        return !abandoned_;
    }

    // The window stops waiting for a job that is still looking for its printer.
    bool AbandonSearch() {
        const std::lock_guard lock(mutex_);
        abandoned_ = searching_;
        return abandoned_;
    }

    void Finish(std::exception_ptr error) {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
            error_ = std::move(error);
        }
        ended_.notify_all();
    }

    bool Done() {
        const std::lock_guard lock(mutex_);
        return done_;
    }

    bool Abandoned() {
        const std::lock_guard lock(mutex_);
        return abandoned_;
    }

    std::exception_ptr Error() {
        const std::lock_guard lock(mutex_);
        return error_;
    }

    void WaitUntilDone(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        ended_.wait_for(lock, limit, [this] { return done_; });
    }

    // The body of the printing thread.
    void Run(const PrintJob& job, const PrinterFactory& makePrinter) {
        try {
            const std::unique_ptr<QPrinter> printer = makePrinter();
            if (StartPrinting()) {
                printer->setDocName(job.title);
                QTextDocument document;
                document.setDefaultFont(job.font);
                document.setPlainText(job.text);
                PrintOverPrintableArea(document, *printer, job.screenDpi);
            }
            Finish(nullptr);
        } catch (...) {
            Finish(std::current_exception());
        }
    }

  private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool searching_ = true;
    bool abandoned_ = false;
    bool done_ = false;
    std::exception_ptr error_;
};

void PrintOverPrintableArea(QTextDocument& document, QPrinter& printer, qreal screenDpi) {
    // The smallest margins the printer allows: the printable area.
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    document.setDocumentMargin(0);
    // With a page size of its own the document is printed as laid out: without it Qt adds
    // margins of two centimetres and page numbers. The layout works in screen pixels.
    const QSizeF printable = printer.pageLayout().paintRect(QPageLayout::Inch).size();
    document.setPageSize(printable * screenDpi);
    document.print(&printer);
}

std::unique_ptr<QPrinter> DefaultPrinter() {
    if (!PrintSystemAnswersWithADefaultPrinter()) {
        throw NoPrinter();
    }
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull()) {
        throw NoPrinter();
    }
    return std::make_unique<QPrinter>(printer, QPrinter::HighResolution);
}

BackgroundPrinter::BackgroundPrinter() {
    poll_.setInterval(kPollInterval);
    QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] { Poll(); });
}

BackgroundPrinter::~BackgroundPrinter() {
    if (current_ && !current_->Abandoned()) {
        current_->WaitUntilDone(kExitWait);
    }
}

void BackgroundPrinter::Start(PrintJob job, PrinterFactory makePrinter,
                              std::function<void(std::exception_ptr)> finished) {
    // The print system has not answered the job given up before: it still has no printer.
    if (current_ && !current_->Done()) {
        throw NoPrinter();
    }
    current_ = std::make_shared<PrintWorker>();
    finished_ = std::move(finished);
    std::thread([worker = current_, job = std::move(job), makePrinter = std::move(makePrinter)] {
        worker->Run(job, makePrinter);
    }).detach();
    started_.start();
    poll_.start();
}

void BackgroundPrinter::Poll() {
    if (current_->Done()) {
        poll_.stop();
        finished_(current_->Error());
    } else if (started_.hasExpired(std::chrono::milliseconds(kSearchDeadline).count()) &&
               current_->AbandonSearch()) {
        poll_.stop();
        finished_(std::make_exception_ptr(NoPrinter()));
    }
}

}  // namespace chiffrel
