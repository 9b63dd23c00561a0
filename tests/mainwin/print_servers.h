#pragma once

// Print servers of the tests' own, on a Unix socket that the print system's library is pointed
// at (CUPS_SERVER) for the life of the server: nothing reaches a real printer.

#include <cups/cups.h>

#include <QByteArray>
#include <QString>
#include <chrono>
#include <mutex>
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
    std::chrono::milliseconds delay{0};  // before each answer
    bool hasDefaultPrinter = true;
    bool refusesJobs = false;
};

// A print server with one printer on A4 paper with margins of a sixth of an inch, the default
// printer unless the behaviour says otherwise, which answers each request after the behaviour's
// delay and keeps the documents printed on it. It serves one connection at a time on a thread of
// its own.
class AnsweringPrintServer {
  public:
    AnsweringPrintServer(const QString& socketPath, PrintServerBehaviour behaviour);
    ~AnsweringPrintServer();

    // The documents handed over so far.
    std::vector<QByteArray> Documents() const;

  private:
    void Serve();
    bool AnswerOneRequest(http_t* client);
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
    std::thread thread_;
};

}  // namespace chiffrel::testing_support
