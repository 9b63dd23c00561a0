#include "tests/mainwin/print_servers.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cstring>
#include <utility>

#include <gtest/gtest.h>

namespace chiffrel::testing_support {

namespace {

constexpr const char* kPrinterName = "chiffrel-test";

// A4, and the margins of a sixth of an inch that many printers have: hundredths of a millimetre.
constexpr int kPageWidth = 21000;
constexpr int kPageHeight = 29700;
constexpr int kMargin = 423;

void AddInteger(ipp_t* message, const char* name, int value) {
    ippAddInteger(message, IPP_TAG_ZERO, IPP_TAG_INTEGER, name, value);
}

// What the printer prints on unless told otherwise.
void AddDefaultMedia(ipp_t* response) {
    ipp_t* size = ippNew();
    AddInteger(size, "x-dimension", kPageWidth);
    AddInteger(size, "y-dimension", kPageHeight);
    ipp_t* media = ippNew();
    ippAddCollection(media, IPP_TAG_ZERO, "media-size", size);
    for (const char* margin :
         {"media-bottom-margin", "media-left-margin", "media-right-margin", "media-top-margin"}) {
        AddInteger(media, margin, kMargin);
    }
    ippAddCollection(response, IPP_TAG_PRINTER, "media-col-default", media);
    ippDelete(media);
    ippDelete(size);
}

// A socket listening at `path`, which nobody waits on.
UniqueFd Listen(const QString& path) {
    UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(),
                std::min<std::size_t>(name.size(), sizeof address.sun_path - 1));
    EXPECT_EQ(::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(listener.get(), 16), 0);
    return listener;
}

void Refuse(ipp_t* response, ipp_status_t status, const char* message) {
    ippSetStatusCode(response, status);
    if (*message != '\0') {
        ippAddString(response, IPP_TAG_OPERATION, IPP_TAG_TEXT, "status-message", nullptr, message);
    }
}

QByteArray Encoded(ipp_t* message) {
    QByteArray bytes;
    ippWriteIO(
        &bytes,
        [](void* to, ipp_uchar_t* data, size_t size) {
            static_cast<QByteArray*>(to)->append(reinterpret_cast<const char*>(data),
                                                 static_cast<qsizetype>(size));
            return static_cast<ssize_t>(size);
        },
        1, nullptr, message);
    return bytes;
}

}  // namespace

PrintServerAddress::PrintServerAddress(const QString& socketPath) {
    qputenv("CUPS_SERVER", QFile::encodeName(socketPath));
}

PrintServerAddress::~PrintServerAddress() {
    qunsetenv("CUPS_SERVER");
}

SilentPrintServer::SilentPrintServer(const QString& socketPath)
    : listener_(Listen(socketPath)), address_(socketPath) {}

int SilentPrintServer::Connections() {
    for (int connection; (connection = ::accept(listener_.get(), nullptr, nullptr)) >= 0;) {
        connections_.emplace_back(connection);
    }
    return static_cast<int>(connections_.size());
}

AnsweringPrintServer::AnsweringPrintServer(const QString& socketPath,
                                           PrintServerBehaviour behaviour)
    : behaviour_(behaviour), listener_(Listen(socketPath)), address_(socketPath) {
    EXPECT_EQ(::pipe2(stop_, O_CLOEXEC), 0);
    thread_ = std::thread([this] { Serve(); });
}

AnsweringPrintServer::~AnsweringPrintServer() {
    EXPECT_EQ(::write(stop_[1], "", 1), 1);
    {
        // A connection being served may be waiting for the program to send.
        const std::lock_guard lock(mutex_);
        if (client_ >= 0) {
            ::shutdown(client_, SHUT_RDWR);
        }
    }
    thread_.join();
    ::close(stop_[0]);
    ::close(stop_[1]);
}

std::vector<QByteArray> AnsweringPrintServer::Documents() const {
    const std::lock_guard lock(mutex_);
    return documents_;
}

int AnsweringPrintServer::Requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

bool AnsweringPrintServer::Wait(std::chrono::milliseconds delay) const {
    pollfd stop{stop_[0], POLLIN, 0};
    return ::poll(&stop, 1, static_cast<int>(delay.count())) == 0;
}

void AnsweringPrintServer::Serve() {
    pollfd events[] = {{listener_.get(), POLLIN, 0}, {stop_[0], POLLIN, 0}};
    while (::poll(events, 2, -1) > 0 && events[1].revents == 0) {
        http_t* client = httpAcceptConnection(listener_.get(), 1);
        if (client == nullptr) {
            continue;
        }
        {
            const std::lock_guard lock(mutex_);
            client_ = httpGetFd(client);
        }
        while (AnswerOneRequest(client)) {
        }
        {
            const std::lock_guard lock(mutex_);
            client_ = -1;
        }
        httpClose(client);
    }
}

// One HTTP request carrying an IPP message, and a document after it for Send-Document.
bool AnsweringPrintServer::AnswerOneRequest(http_t* client) {
    char resource[HTTP_MAX_URI];
    if (httpReadRequest(client, resource, sizeof resource) != HTTP_STATE_POST) {
        return false;
    }
    http_status_t fields;
    while ((fields = httpUpdate(client)) == HTTP_STATUS_CONTINUE) {
    }
    if (fields != HTTP_STATUS_OK) {
        return false;
    }
    if (httpGetExpect(client) == HTTP_STATUS_CONTINUE &&
        httpWriteResponse(client, HTTP_STATUS_CONTINUE) != 0) {
        return false;
    }
    ipp_t* request = ippNew();
    ipp_state_t read;
    while ((read = ippRead(client, request)) != IPP_STATE_DATA && read != IPP_STATE_ERROR) {
    }
    QByteArray document;
    char buffer[8192];
    for (ssize_t bytes; (bytes = httpRead2(client, buffer, sizeof buffer)) > 0;) {
        document.append(buffer, bytes);
    }
    {
        const std::lock_guard lock(mutex_);
        ++requests_;
    }
    if (behaviour_.httpAnswer) {
        ippDelete(request);
        return AnswerOnHttp(client, *behaviour_.httpAnswer);
    }
    using After = PrintServerBehaviour::AfterDocument;
    if (ippGetOperation(request) == IPP_OP_SEND_DOCUMENT &&
        behaviour_.afterDocument != After::kAnswers) {
        ippDelete(request);
        return behaviour_.afterDocument == After::kFallsSilent && Wait(std::chrono::hours(1));
    }
    bool answered = false;
    if (read == IPP_STATE_DATA && Wait(behaviour_.delay)) {
        ipp_t* response = Answer(request, std::move(document));
        answered = Send(client, response);
        ippDelete(response);
    }
    ippDelete(request);
    return answered;
}

bool AnsweringPrintServer::AnswerOnHttp(http_t* client, http_status_t status) {
    httpClearFields(client);
    httpSetField(client, HTTP_FIELD_LOCATION, "ipp://localhost/elsewhere");
    httpSetField(client, HTTP_FIELD_WWW_AUTHENTICATE, "Basic realm=\"imprimantes\"");
    httpSetField(client, HTTP_FIELD_UPGRADE, "TLS/1.2,HTTP/1.1");
    httpSetLength(client, 0);
    return httpWriteResponse(client, status) == 0;
}

// The answer, in pieces paced as the behaviour says for the first one.
bool AnsweringPrintServer::Send(http_t* client, ipp_t* response) {
    const QByteArray body = Encoded(response);
    httpClearFields(client);
    httpSetField(client, HTTP_FIELD_CONTENT_TYPE, "application/ipp");
    httpSetLength(client, static_cast<size_t>(body.size()));
    if (httpWriteResponse(client, HTTP_STATUS_OK) != 0) {
        return false;
    }
    const bool paced = behaviour_.firstAnswerPace.count() > 0 && Requests() == 1;
    const qsizetype piece = paced ? body.size() / 4 + 1 : body.size();
    for (qsizetype at = 0; at < body.size(); at += piece) {
        if ((paced && !Wait(behaviour_.firstAnswerPace)) ||
            httpWrite2(client, body.constData() + at,
                       static_cast<size_t>(std::min(piece, body.size() - at))) < 0 ||
            httpFlushWrite(client) < 0) {
            return false;
        }
    }
    return true;
}

ipp_t* AnsweringPrintServer::Answer(ipp_t* request, QByteArray document) {
    ipp_t* response = ippNewResponse(request);
    // The program asks for French, the language of its own messages.
    const char* language = ippGetString(
        ippFindAttribute(request, "attributes-natural-language", IPP_TAG_LANGUAGE), 0, nullptr);
    if (language == nullptr || std::strcmp(language, "fr") != 0) {
        Refuse(response, IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES, "Not asked in French.");
        return response;
    }
    switch (ippGetOperation(request)) {
        case IPP_OP_CUPS_GET_DEFAULT:
            if (behaviour_.hasDefaultPrinter) {
                ippAddString(response, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-name", nullptr,
                             kPrinterName);
            } else {
                Refuse(response, IPP_STATUS_ERROR_NOT_FOUND, "No default printer.");
            }
            break;
        case IPP_OP_GET_PRINTER_ATTRIBUTES:
            AddDefaultMedia(response);
            break;
        case IPP_OP_CREATE_JOB:
            if (behaviour_.refusesJobs) {
                Refuse(response, IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS, behaviour_.refusal);
            } else {
                ippAddInteger(response, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", 1);
            }
            break;
        case IPP_OP_SEND_DOCUMENT: {
            const std::lock_guard lock(mutex_);
            documents_.push_back(std::move(document));
            break;
        }
        default:
            Refuse(response, IPP_STATUS_ERROR_OPERATION_NOT_SUPPORTED, "Not supported.");
            break;
    }
    return response;
}

}  // namespace chiffrel::testing_support
