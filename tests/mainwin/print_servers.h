#pragma once

// Print servers of the tests' own, on a Unix socket that the print system's library is pointed
// at (CUPS_SERVER) for the life of the server: nothing reaches a real printer.

#include <cups/cups.h>

#include <QByteArray>
#include <QString>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/regular_file.h"

namespace chiffrel::testing_support {

// Points the print system's library at `socketPath` for the life of the object, whether anything
// listens there or not.
class PrintServerAddress {
  public:
    explicit PrintServerAddress(const QString& socketPath);
    ~PrintServerAddress();
    PrintServerAddress(const PrintServerAddress&) = delete;
    PrintServerAddress& operator=(const PrintServerAddress&) = delete;
};

// A print server that accepts every connection and never answers.
class SilentPrintServer {
  public:
    explicit SilentPrintServer(const QString& socketPath);

    // The connections made so far, held open and unanswered.
    int Connections();

  private:
    UniqueFd listener_;
    PrintServerAddress address_;
    std::vector<UniqueFd> connections_;
};

struct PrintServerBehaviour {
    // What the server does once it has the document.
    enum class AfterDocument { kAnswers, kFallsSilent, kHangsUp };

    std::chrono::milliseconds delay{0};  // before each answer
    // Between the pieces of the first answer, which comes in four.
    std::chrono::milliseconds firstAnswerPace{0};
    bool hasDefaultPrinter = true;
    bool refusesJobs = false;
    const char* refusal = "The printer is not accepting jobs.";  // none when empty
    // An HTTP answer to every request in place of the printer's: a redirect, a demand for a
    // password, a demand for encryption.
    std::optional<http_status_t> httpAnswer = std::nullopt;
    AfterDocument afterDocument = AfterDocument::kAnswers;
};

// A print server with one printer on A4 paper with margins of a sixth of an inch, the default
// printer unless the behaviour says otherwise, which answers each request after the behaviour's
// delay and keeps the documents printed on it; it refuses any request not asked in French. It
// serves one connection at a time on a thread of its own.
class AnsweringPrintServer {
  public:
    AnsweringPrintServer(const QString& socketPath, PrintServerBehaviour behaviour);
    ~AnsweringPrintServer();

    // The documents handed over so far, and answered.
    std::vector<QByteArray> Documents() const;
    int Requests() const;

  private:
    void Serve();
    bool AnswerOneRequest(http_t* client);
    bool AnswerOnHttp(http_t* client, http_status_t status);
    bool Send(http_t* client, ipp_t* response);
    ipp_t* Answer(ipp_t* request, QByteArray document);
    // False when the server is stopped meanwhile.
    bool Wait(std::chrono::milliseconds delay) const;

    const PrintServerBehaviour behaviour_;
    UniqueFd listener_;
    PrintServerAddress address_;
    int stop_[2] = {-1, -1};  // a pipe, written to when the server stops
    mutable std::mutex mutex_;
    int client_ = -1;  // the connection being served
    std::vector<QByteArray> documents_;
    int requests_ = 0;
    std::thread thread_;
};

}  // namespace chiffrel::testing_support
