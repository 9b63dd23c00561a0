#pragma once

#include <QByteArray>
#include <QPageLayout>
#include <QString>
#include <chrono>
#include <functional>

#include "engine/program_error.h"

namespace chiffrel {

// No printer to print on: none is installed, or the print system cannot be reached or has
// stopped answering.
class NoPrinter : public ProgramError {
  public:
    NoPrinter() : ProgramError("Aucune imprimante n'est installée : impression impossible") {}
};

// The print system answered, and refused the job; `reason` is its own text.
class PrintRefused : public ProgramError {
  public:
    explicit PrintRefused(const std::string& reason)
        : ProgramError("Le système d'impression a refusé l'impression : " + reason) {}
};

// How long the print system may stay silent, while connecting or during any request, before the
// print is given up: a server that answers, however slowly, is waited for.
inline constexpr std::chrono::seconds kPrintServerSilenceLimit{3};

// What printing on the default printer tells its caller on the way, and asks it.
struct PrintSteps {
    // The connection to the print server is made: from here on nothing waits on the server
    // without a time limit. False stops the print before anything is asked.
    std::function<bool()> connected;
    // The print server has answered a request.
    std::function<void()> answered;
    // The job as a PDF document, laid out on the page of the printer.
    std::function<QByteArray(const QPageLayout&)> render;
};

// Prints on the user's default printer, over a connection of the program's own: finds the
// printer, asks it for its page, has `steps.render` lay the job out on it and hands the document
// over as a job named `title`. Blocks until the job is handed over; runs on the printing thread.
// Throws NoPrinter when there is no default printer or the print system cannot be reached or
// stays silent for kPrintServerSilenceLimit, PrintRefused when it answers with a refusal.
void PrintOnDefaultPrinter(const QString& title, const PrintSteps& steps);

}  // namespace chiffrel
