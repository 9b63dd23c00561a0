#include "mainwin/print_system.h"

#include <cups/cups.h>

#include <QMarginsF>
#include <QPageSize>
#include <QSizeF>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/dynamic_library.h"

namespace chiffrel {

namespace {

// The functions of the print system's library that printing uses. The library is opened when the
// first print is asked for rather than linked: linked, it and the nineteen libraries it brings
// (TLS, Kerberos, service discovery) would be loaded at every start. The headers still check
// every call.
// clang-format off
#define CHIFFREL_CUPS_FUNCTIONS(X)                                                           \
    X(cupsServer) X(ippPort) X(cupsEncryption) X(cupsUser) X(cupsSetPasswordCB2)            \
    X(httpConnect2) X(httpSetTimeout) X(httpGetStatus) X(httpClose) X(httpAssembleURIf)     \
    X(cupsGetDefault2) X(ippNewRequest) X(ippAddString) X(cupsDoRequest)                    \
    X(ippFindAttribute) X(ippGetCollection) X(ippGetInteger) X(ippDelete)                   \
    X(cupsStartDocument) X(cupsWriteRequestData) X(cupsFinishDocument)                      \
    X(cupsLastError) X(cupsLastErrorString)
// clang-format on

struct Cups {
#define CHIFFREL_CUPS_MEMBER(name) decltype(&::name) name;
    CHIFFREL_CUPS_FUNCTIONS(CHIFFREL_CUPS_MEMBER)
#undef CHIFFREL_CUPS_MEMBER
};

std::optional<Cups> OpenCups() {
    // Never closed: the connections of any printing thread use it until the process ends.
    void* library = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    Cups cups{};
#define CHIFFREL_RESOLVE(name) &&ResolveFunction(library, #name, cups.name)
    const bool complete = library != nullptr CHIFFREL_CUPS_FUNCTIONS(CHIFFREL_RESOLVE);
#undef CHIFFREL_RESOLVE
    return complete ? std::optional<Cups>(cups) : std::nullopt;
}

// The print system's library once opened, or nothing when it is missing: then there is no
// printer either.
const Cups* LoadedCups() {
    static const std::optional<Cups> cups = OpenCups();
    return cups ? &*cups : nullptr;
}

// Called by the print library each time the server has sent nothing for the whole silence limit
// while a request waits on it: the request is given up.
int GiveUpWhenSilent(http_t*, void* silenced) {
    *static_cast<bool*>(silenced) = true;
    return 0;
}

// A server that asks for a password gets none: no password prompt on a terminal ever holds the
// printing thread.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*) {
    return nullptr;
}

// The page a printer prints on unless told otherwise, with its printable area. The print system
// gives sizes and margins in hundredths of a millimetre; a printer that does not say prints on A4
// to the edges.
QPageLayout PageFromAttributes(const Cups& cups, ipp_t* printer) {
    ipp_t* media = cups.ippGetCollection(
        cups.ippFindAttribute(printer, "media-col-default", IPP_TAG_BEGIN_COLLECTION), 0);
    ipp_t* size = cups.ippGetCollection(
        cups.ippFindAttribute(media, "media-size", IPP_TAG_BEGIN_COLLECTION), 0);
    const auto millimetres = [&cups](ipp_t* collection, const char* name) {
        return cups.ippGetInteger(cups.ippFindAttribute(collection, name, IPP_TAG_INTEGER), 0) /
               100.0;
    };
    const QSizeF page(millimetres(size, "x-dimension"), millimetres(size, "y-dimension"));
    if (page.isEmpty()) {
        return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    }
    const QMarginsF margins(
        millimetres(media, "media-left-margin"), millimetres(media, "media-top-margin"),
        millimetres(media, "media-right-margin"), millimetres(media, "media-bottom-margin"));
    return QPageLayout(QPageSize(page, QPageSize::Millimeter), QPageLayout::Portrait, margins,
                       QPageLayout::Millimeter);
}

// The program's own connection to the print server. The print library's shared connection waits
// minutes on a server that has stopped answering; this one gives a request up after
// kPrintServerSilenceLimit without a byte from the server, however long the server takes in all.
class PrintServerConnection {
  public:
    // `answered` runs each time the server answers a request.
    PrintServerConnection(const Cups& cups, std::function<void()> answered)
        : cups_(cups), answered_(std::move(answered)) {
        cups.cupsSetPasswordCB2(NoPassword, nullptr);
        constexpr int limit = std::chrono::milliseconds(kPrintServerSilenceLimit).count();
        http_ = cups.httpConnect2(cups.cupsServer(), cups.ippPort(), nullptr, AF_UNSPEC,
                                  cups.cupsEncryption(), 1, limit, nullptr);
        if (http_ == nullptr) {
            throw NoPrinter();
        }
        cups.httpSetTimeout(http_, std::chrono::duration<double>(kPrintServerSilenceLimit).count(),
                            GiveUpWhenSilent, &silenced_);
    }
    ~PrintServerConnection() { cups_.httpClose(http_); }
    PrintServerConnection(const PrintServerConnection&) = delete;
    PrintServerConnection& operator=(const PrintServerConnection&) = delete;

    // The user's own default printer when they chose one, else the server's.
    std::string DefaultPrinter() {
        const char* name = cups_.cupsGetDefault2(http_);
        if (name == nullptr) {
            throw NoPrinter();
        }
        // The user's own choice is found without asking the server.
        if (cups_.httpGetStatus(http_) == HTTP_STATUS_OK) {
            answered_();
        }
        return name;
    }

    QPageLayout DefaultPageOf(const std::string& printer) {
        ipp_t* request = NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, printer);
        cups_.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                           nullptr, "media-col-default");
        const Message response = Ask(request, printer);
        return PageFromAttributes(cups_, response.get());
    }

    // Creates the job, hands `pdf` over as its one document and returns once the server has
    // taken it.
    void Print(const std::string& printer, const QString& title, const QByteArray& pdf) {
        const QByteArray name = title.toUtf8();
        ipp_t* request = NewRequest(IPP_OP_CREATE_JOB, printer);
        cups_.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr,
                           name.constData());
        const int job = cups_.ippGetInteger(
            cups_.ippFindAttribute(Ask(request, printer).get(), "job-id", IPP_TAG_INTEGER), 0);
        const bool sent = cups_.cupsStartDocument(http_, printer.c_str(), job, name.constData(),
                                                  CUPS_FORMAT_PDF, 1) == HTTP_STATUS_CONTINUE &&
                          cups_.cupsWriteRequestData(http_, pdf.constData(),
                                                     static_cast<std::size_t>(pdf.size())) ==
                              HTTP_STATUS_CONTINUE;
        if (!sent ||
            cups_.cupsFinishDocument(http_, printer.c_str()) >= IPP_STATUS_REDIRECTION_OTHER_SITE) {
            Fail();
        }
    }

  private:
    using Message = std::unique_ptr<ipp_t, decltype(Cups::ippDelete)>;

    // A request about the printer, from the user. The print library's own functions for jobs
    // would look the printer up again over a connection of their own.
    ipp_t* NewRequest(ipp_op_t operation, const std::string& printer) const {
        char uri[HTTP_MAX_URI];
        cups_.httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost",
                               cups_.ippPort(), "/printers/%s", printer.c_str());
        ipp_t* request = cups_.ippNewRequest(operation);
        cups_.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
        cups_.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name",
                           nullptr, cups_.cupsUser());
        return request;
    }

    // Sends `request`, which is freed, and returns the server's answer unless it refuses.
    Message Ask(ipp_t* request, const std::string& printer) {
        const std::string resource = "/printers/" + printer;
        Message response(cups_.cupsDoRequest(http_, request, resource.c_str()), cups_.ippDelete);
        if (!response || cups_.cupsLastError() >= IPP_STATUS_REDIRECTION_OTHER_SITE) {
            Fail();
        }
        answered_();
        return response;
    }

    // A server that cannot be reached or has gone silent is no printer; one that answers with a
    // refusal is quoted.
    [[noreturn]] void Fail() const {
        const ipp_status_t error = cups_.cupsLastError();
        if (silenced_ || error == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE ||
            error == IPP_STATUS_ERROR_INTERNAL) {
            throw NoPrinter();
        }
        throw PrintRefused(cups_.cupsLastErrorString());
    }

    const Cups& cups_;
    std::function<void()> answered_;
    http_t* http_ = nullptr;
    bool silenced_ = false;
};

}  // namespace

void PrintOnDefaultPrinter(const QString& title, const PrintSteps& steps) {
    const Cups* cups = LoadedCups();
    if (cups == nullptr) {
        throw NoPrinter();
    }
    PrintServerConnection server(*cups, steps.answered);
    if (!steps.connected()) {
        return;
    }
    const std::string printer = server.DefaultPrinter();
    const QByteArray pdf = steps.render(server.DefaultPageOf(printer));
    server.Print(printer, title, pdf);
}

}  // namespace chiffrel
