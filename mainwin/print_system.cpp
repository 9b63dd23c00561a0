#include "mainwin/print_system.h"

#include <cups/cups.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/dynamic_library.h"

namespace chiffrel {

namespace {

// The functions of the print system's library that printing uses. The library is opened when the
// first print is asked for rather than linked: linked, it and the nineteen libraries it brings
// (TLS, Kerberos, service discovery) would be loaded at every start. The headers still check
// every call. Its functions that send a whole request (cupsDoRequest, cupsGetDefault2,
// cupsFinishDocument) are left alone: they follow redirects for ever and may take a hang-up for
// the last request's success.
// clang-format off
#define CHIFFREL_CUPS_FUNCTIONS(X)                                                           \
    X(cupsServer) X(ippPort) X(cupsEncryption) X(cupsUser) X(cupsSetPasswordCB2)            \
    X(httpConnect2) X(httpSetTimeout) X(httpGetStatus) X(httpClose) X(httpAssembleURIf)     \
    X(ippNewRequest) X(ippAddString) X(ippAddInteger) X(ippAddBoolean) X(ippLength)         \
    X(ippFindAttribute) X(ippGetCollection) X(ippGetInteger) X(ippGetString) X(ippSetString) \
    X(ippGetStatusCode) X(ippDelete)                                                        \
    X(cupsSendRequest) X(cupsWriteRequestData) X(cupsGetResponse)
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

// The printer the user chose for their own programs, as the print system's commands take it,
// or nothing.
std::string UsersOwnPrinter() {
    for (const char* variable : {"LPDEST", "PRINTER"}) {
        const char* name = std::getenv(variable);
        // "lp" in PRINTER is the shell's default of old, not a choice.
        if (name != nullptr && *name != '\0' && std::string_view(name) != "lp") {
            return name;
        }
    }
    return {};
}

// The page a printer prints on unless told otherwise, with its printable area. The print system
// gives sizes and margins in hundredths of a millimetre; a printer that does not say prints on A4
// to the edges.
PrinterPage PageFromAttributes(const Cups& cups, ipp_t* printer) {
    ipp_t* media = cups.ippGetCollection(
        cups.ippFindAttribute(printer, "media-col-default", IPP_TAG_BEGIN_COLLECTION), 0);
    ipp_t* size = cups.ippGetCollection(
        cups.ippFindAttribute(media, "media-size", IPP_TAG_BEGIN_COLLECTION), 0);
    const auto millimetres = [&cups](ipp_t* collection, const char* name) {
        return cups.ippGetInteger(cups.ippFindAttribute(collection, name, IPP_TAG_INTEGER), 0) /
               100.0;
    };
    const PrinterPage page{
        millimetres(size, "x-dimension"),         millimetres(size, "y-dimension"),
        millimetres(media, "media-left-margin"),  millimetres(media, "media-top-margin"),
        millimetres(media, "media-right-margin"), millimetres(media, "media-bottom-margin")};
    if (page.width <= 0 || page.height <= 0) {
        return PrinterPage{.width = 210, .height = 297};
    }
    return page;
}

// The program's own connection to the print server. The print library's shared connection waits
// minutes on a server that has stopped answering; this one gives a request up after
// kPrintServerSilenceLimit without a byte from the server, however long the server takes in all.
class PrintServerConnection {
  public:
    explicit PrintServerConnection(const Cups& cups) : cups_(cups) {
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
        std::string name = UsersOwnPrinter();
        if (!name.empty()) {
            return name;
        }
        const Message response = Exchange(NewRequest(IPP_OP_CUPS_GET_DEFAULT), "/");
        const char* found =
            Succeeded(response.get())
                ? cups_.ippGetString(
                      cups_.ippFindAttribute(response.get(), "printer-name", IPP_TAG_NAME), 0,
                      nullptr)
                : nullptr;
        if (found == nullptr) {
            throw NoPrinter();
        }
        return found;
    }

    PrinterPage DefaultPageOf(const std::string& printer) {
        ipp_t* request = NewPrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, printer);
        cups_.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                           nullptr, "media-col-default");
        const Message response = Ask(request, printer);
        return PageFromAttributes(cups_, response.get());
    }

    // Creates the job, hands `pdf` over as its one document and returns once the server has
    // answered that it took it.
    void Print(const std::string& printer, const std::string& title, const std::string& pdf) {
        ipp_t* create = NewPrinterRequest(IPP_OP_CREATE_JOB, printer);
        cups_.ippAddString(create, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr,
                           title.c_str());
        const int job = cups_.ippGetInteger(
            cups_.ippFindAttribute(Ask(create, printer).get(), "job-id", IPP_TAG_INTEGER), 0);
        ipp_t* send = NewPrinterRequest(IPP_OP_SEND_DOCUMENT, printer);
        cups_.ippAddInteger(send, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job);
        cups_.ippAddString(send, IPP_TAG_OPERATION, IPP_TAG_NAME, "document-name", nullptr,
                           title.c_str());
        cups_.ippAddString(send, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
                           CUPS_FORMAT_PDF);
        cups_.ippAddBoolean(send, IPP_TAG_OPERATION, "last-document", 1);
        Ask(send, printer, pdf);
    }

  private:
    using Message = std::unique_ptr<ipp_t, decltype(Cups::ippDelete)>;

    // A request from the user, who reads French: a server's own texts come in French when it
    // has them.
    ipp_t* NewRequest(ipp_op_t operation) const {
        ipp_t* request = cups_.ippNewRequest(operation);
        ipp_attribute_t* language =
            cups_.ippFindAttribute(request, "attributes-natural-language", IPP_TAG_LANGUAGE);
        cups_.ippSetString(request, &language, 0, "fr");
        cups_.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name",
                           nullptr, cups_.cupsUser());
        return request;
    }

    // A request about the printer. The print library's own functions for jobs would look the
    // printer up again over a connection of their own.
    ipp_t* NewPrinterRequest(ipp_op_t operation, const std::string& printer) const {
        char uri[HTTP_MAX_URI];
        cups_.httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost",
                               cups_.ippPort(), "/printers/%s", printer.c_str());
        ipp_t* request = NewRequest(operation);
        cups_.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
        return request;
    }

    // Sends `request`, which is freed, once, with `document` after it, and returns the server's
    // answer, or nothing when it sent none: it hung up, stayed silent or answered on the HTTP
    // level only (a redirect, a demand for a password, an error).
    Message Exchange(ipp_t* request, const std::string& resource,
                     const std::string& document = {}) {
        const std::size_t length = cups_.ippLength(request) + document.size();
        const http_status_t sent = cups_.cupsSendRequest(http_, request, resource.c_str(), length);
        cups_.ippDelete(request);
        const bool delivered = (sent == HTTP_STATUS_CONTINUE || sent == HTTP_STATUS_OK) &&
                               (document.empty() || cups_.cupsWriteRequestData(
                                                        http_, document.data(), document.size()) ==
                                                        HTTP_STATUS_CONTINUE);
        return Message(delivered ? cups_.cupsGetResponse(http_, resource.c_str()) : nullptr,
                       cups_.ippDelete);
    }

    bool Succeeded(ipp_t* response) const {
        return response != nullptr &&
               cups_.ippGetStatusCode(response) < IPP_STATUS_REDIRECTION_OTHER_SITE;
    }

    // Sends `request` about `printer` as Exchange does and returns the server's answer unless
    // it is anything but a success.
    Message Ask(ipp_t* request, const std::string& printer, const std::string& document = {}) {
        Message response = Exchange(request, "/printers/" + printer, document);
        if (!Succeeded(response.get())) {
            Fail(response.get());
        }
        return response;
    }

    // A server that cannot be reached, has gone silent or hung up is no printer; one that
    // answers with a refusal is quoted when it says why.
    [[noreturn]] void Fail(ipp_t* response) const {
        if (response == nullptr) {
            // Silent or hung up, the server leaves the last answer's status; any other is its
            // answer on the HTTP level.
            if (silenced_ || cups_.httpGetStatus(http_) < HTTP_STATUS_MULTIPLE_CHOICES) {
                throw NoPrinter();
            }
            throw PrintRefused({});
        }
        const ipp_status_t error = cups_.ippGetStatusCode(response);
        if (error == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || error == IPP_STATUS_ERROR_INTERNAL) {
            throw NoPrinter();
        }
        const char* reason = cups_.ippGetString(
            cups_.ippFindAttribute(response, "status-message", IPP_TAG_TEXT), 0, nullptr);
        throw PrintRefused(reason != nullptr ? reason : "");
    }

    const Cups& cups_;
    http_t* http_ = nullptr;
    bool silenced_ = false;
};

}  // namespace

void PrintOnDefaultPrinter(const std::string& title, const PrintSteps& steps) {
    const Cups* cups = LoadedCups();
    if (cups == nullptr) {
        throw NoPrinter();
    }
    PrintServerConnection server(*cups);
    if (!steps.connected()) {
        return;
    }
    const std::string printer = server.DefaultPrinter();
    const std::string pdf = steps.render(server.DefaultPageOf(printer));
    if (!pdf.empty()) {
        server.Print(printer, title, pdf);
    }
}

}  // namespace chiffrel
