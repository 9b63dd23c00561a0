#include "mainwin/printing.h"

#include <QBuffer>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <string>
#include <utility>

#include "mainwin/print_system.h"

namespace chiffrel {

namespace {

QPageLayout LayoutOf(const PrinterPage& page) {
    return QPageLayout(
        QPageSize(QSizeF(page.width, page.height), QPageSize::Millimeter), QPageLayout::Portrait,
        QMarginsF(page.left, page.top, page.right, page.bottom), QPageLayout::Millimeter);
}

// The job as a PDF document, over the whole printable area of `page`, with no margin or page
// number of its own, page after page.
std::string RenderPdf(const PrintJob& job, const PrinterPage& page) {
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    QPdfWriter writer(&output);
    writer.setTitle(job.title);
    writer.setPageLayout(LayoutOf(page));
    QTextDocument document;
    document.setDefaultFont(job.font);
    document.setPlainText(job.text);
    document.setDocumentMargin(0);
    // With a page size of its own the document is printed as laid out: without it Qt adds
    // margins of two centimetres and page numbers. The layout works in screen pixels.
    document.setPageSize(writer.pageLayout().paintRect(QPageLayout::Inch).size() * job.screenDpi);
    document.print(&writer);  // the whole document is written when its painting ends
    return output.data().toStdString();
}

}  // namespace

BackgroundPrinter::BackgroundPrinter() {
    connectDeadline_.setSingleShot(true);
    connectDeadline_.setInterval(kConnectDeadline);
    QObject::connect(&connectDeadline_, &QTimer::timeout, &connectDeadline_,
                     [this] { GiveUpUnlessConnected(); });
    busyCursor_.setSingleShot(true);
    busyCursor_.setInterval(kBusyCursorDelay);
    QObject::connect(&busyCursor_, &QTimer::timeout, &busyCursor_, [this] { ShowBusyCursor(); });
}

BackgroundPrinter::~BackgroundPrinter() {
    if (busyCursorShown_) {
        QGuiApplication::restoreOverrideCursor();
    }
}

// The printing thread holds nothing of the toolkit's but within a delivery, where it lays the
// job out or posts its end: once let go, it may outlive the application.
void BackgroundPrinter::Start(PrintJob job, QObject& window,
                              std::function<void(std::exception_ptr)> finished) {
    // The print system has not answered the job given up before: it still has no printer.
    if (givenUp_ && !givenUp_->ended) {
        throw NoPrinter();
    }
    job_ = std::move(job);
    auto progress = std::make_shared<PrintProgress>();
    const bool started = receiver_.Start([this, progress, title = job_.title.toStdString()](
                                             const WorkSender& sender) {
        std::exception_ptr error;
        try {
            const auto connected = [&progress] {
                PrintPhase connecting = PrintPhase::kConnecting;
                return progress->phase.compare_exchange_strong(connecting, PrintPhase::kConnected);
            };
            const auto render = [this, &sender](const PrinterPage& page) {
                std::string pdf;
                sender.Deliver([&] { pdf = RenderPdf(job_, page); });
                return pdf;
            };
            PrintOnDefaultPrinter(title, PrintSteps{connected, render});
        } catch (...) {
            error = std::current_exception();
        }
        progress->ended = true;
        sender.Deliver([this, error] {
            QMetaObject::invokeMethod(
                &reports_, [this, error] { End(error); }, Qt::QueuedConnection);
        });
    });
    if (!started) {
        throw NoPrinter();
    }
    progress_ = std::move(progress);
    window_ = &window;
    finished_ = std::move(finished);
    connectDeadline_.start();
    busyCursor_.start();
}

void BackgroundPrinter::ShowBusyCursor() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    busyCursorShown_ = true;
}

void BackgroundPrinter::GiveUpUnlessConnected() {
    PrintPhase connecting = PrintPhase::kConnecting;
    // Connected, the thread waits on the server only as long as the server answers.
    if (!progress_->phase.compare_exchange_strong(connecting, PrintPhase::kGivenUp)) {
        return;
    }
    receiver_.LetGo();
    givenUp_ = progress_;
    End(std::make_exception_ptr(NoPrinter()));
}

void BackgroundPrinter::End(const std::exception_ptr& error) {
    connectDeadline_.stop();
    busyCursor_.stop();
    if (busyCursorShown_) {
        QGuiApplication::restoreOverrideCursor();
        busyCursorShown_ = false;
    }
    const auto finished = std::move(finished_);
    finished_ = nullptr;
    if (window_ && finished) {
        finished(error);
    }
}

void BackgroundPrinter::FinishBeforeExit() {
    if (finished_) {
        // The exit's own limit is longer, and the window is gone.
        connectDeadline_.stop();
        busyCursor_.stop();
        QEventLoop wait;
        window_ = &wait;
        finished_ = [&wait](const std::exception_ptr&) { wait.quit(); };
        QTimer::singleShot(kExitLimit, &wait, &QEventLoop::quit);
        wait.exec();
        End(nullptr);
    }
    receiver_.LetGo();
}

}  // namespace chiffrel
