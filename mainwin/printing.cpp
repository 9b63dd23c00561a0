#include "mainwin/printing.h"

#include <QBuffer>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QTextDocument>
#include <thread>
#include <utility>

#include "mainwin/print_system.h"

namespace chiffrel {

namespace {

// The job as a PDF document, over the whole printable area of `page`, with no margin or page
// number of its own, page after page.
QByteArray RenderPdf(const PrintJob& job, const QPageLayout& page) {
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    QPdfWriter writer(&output);
    writer.setTitle(job.title);
    writer.setPageLayout(page);
    QTextDocument document;
    document.setDefaultFont(job.font);
    document.setPlainText(job.text);
    document.setDocumentMargin(0);
    // With a page size of its own the document is printed as laid out: without it Qt adds
    // margins of two centimetres and page numbers. The layout works in screen pixels.
    document.setPageSize(writer.pageLayout().paintRect(QPageLayout::Inch).size() * job.screenDpi);
    document.print(&writer);  // the whole document is written when its painting ends
    return output.data();
}

template <typename Call>
void PostTo(PrintReports* reports, Call call) {
    QMetaObject::invokeMethod(reports, std::move(call), Qt::QueuedConnection);
}

// The body of the printing thread.
void Print(const PrintJob& job, std::atomic<PrintPhase>& phase, PrintReports* reports) {
    std::exception_ptr error;
    try {
        PrintOnDefaultPrinter(
            job.title,
            PrintSteps{[&phase] {
                           PrintPhase connecting = PrintPhase::kConnecting;
                           return phase.compare_exchange_strong(connecting, PrintPhase::kConnected);
                       },
                       [reports] {
                           PostTo(reports, [reports] {
                               if (reports->answered) {
                                   reports->answered();
                               }
                           });
                       },
                       [&job](const QPageLayout& page) { return RenderPdf(job, page); }});
    } catch (...) {
        error = std::current_exception();
    }
    PostTo(reports, [reports, error] {
        const auto finished = std::move(reports->finished);
        reports->answered = nullptr;
        reports->finished = nullptr;
        if (finished) {
            finished(error);
        }
        reports->deleteLater();
    });
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
    for (PrintReports* reports : {current_.data(), givenUp_.data()}) {
        if (reports != nullptr) {
            reports->answered = nullptr;
            reports->finished = nullptr;
        }
    }
    if (busyCursorShown_) {
        QGuiApplication::restoreOverrideCursor();
    }
}

void BackgroundPrinter::Start(PrintJob job, QObject& window,
                              std::function<void(std::exception_ptr)> finished) {
    // The print system has not answered the job given up before: it still has no printer.
    if (givenUp_) {
        throw NoPrinter();
    }
    auto reports = std::make_unique<PrintReports>();
    reports->finished = [this](const std::exception_ptr& error) { End(error); };
    auto phase = std::make_shared<std::atomic<PrintPhase>>(PrintPhase::kConnecting);
    std::thread([job = std::move(job), phase, reports = reports.get()] {
        Print(job, *phase, reports);
    }).detach();
    current_ = reports.release();
    phase_ = std::move(phase);
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
    if (!phase_->compare_exchange_strong(connecting, PrintPhase::kGivenUp)) {
        return;
    }
    givenUp_ = current_;
    End(std::make_exception_ptr(NoPrinter()));
}

void BackgroundPrinter::End(const std::exception_ptr& error) {
    connectDeadline_.stop();
    busyCursor_.stop();
    if (busyCursorShown_) {
        QGuiApplication::restoreOverrideCursor();
        busyCursorShown_ = false;
    }
    if (current_) {
        current_->answered = nullptr;
        current_->finished = nullptr;
        current_ = nullptr;
    }
    const auto finished = std::move(finished_);
    finished_ = nullptr;
    if (window_ && finished) {
        finished(error);
    }
}

void BackgroundPrinter::FinishBeforeExit() {
    if (!current_) {
        return;
    }
    finished_ = nullptr;
    // The exit's own limits are shorter, and the window is gone.
    connectDeadline_.stop();
    busyCursor_.stop();
    QEventLoop wait;
    bool answered = false;
    current_->answered = [&answered] { answered = true; };
    current_->finished = [&wait](const std::exception_ptr&) { wait.quit(); };
    QTimer::singleShot(kExitSilence, &wait, [&wait, &answered] {
        if (!answered) {
            wait.quit();
        }
    });
    QTimer::singleShot(kExitLimit, &wait, &QEventLoop::quit);
    wait.exec();
    End(nullptr);
}

}  // namespace chiffrel
