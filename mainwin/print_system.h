#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "engine/program_error.h"

namespace chiffrel {

// No printer to print on: none is installed, or the print system cannot be reached or has
// stopped answering.
class NoPrinter : public ProgramError {
  public:
    NoPrinter() : ProgramError("Aucune imprimante n'est installée : impression impossible") {}
};

// The print system answered, and refused the job; `reason` is its own text, when it gave one.
class PrintRefused : public ProgramError {
  public:
    explicit PrintRefused(const std::string& reason)
        : ProgramError(reason.empty() ? kRefused : kRefused + (" : " + reason)) {}

  private:
    static constexpr const char* kRefused = "Le système d'impression a refusé l'impression";
};

// How long the print system may stay silent, while connecting or during any request, before the
// print is given up: a server that answers, however slowly, is waited for.
inline constexpr std::chrono::seconds kPrintServerSilenceLimit{3};

// A printer's page and its unprintable margins, in millimetres.
struct PrinterPage {
    double width = 0;
    double height = 0;
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// What printing on the default printer tells its caller on the way, and asks it. Nothing of the
// printing thread itself belongs to the window's toolkit: it may outlive the application.
struct PrintSteps {
    // The connection to the print server is made: from here on nothing waits on the server
    // without a time limit. False stops the print before anything is asked.
    std::function<bool()> connected;
    // The job as a PDF document, laid out on the page of the printer; empty when the print is
    // no longer wanted.
    std::function<std::string(const PrinterPage&)> render;
};

// Prints on the user's default printer, over a connection of the program's own: finds the
// printer, asks it for its page, has `steps.render` lay the job out on it and hands the document
// over as a job named `title` (UTF-8). Blocks until the server has answered the document; runs
// on the printing thread. Each request is sent once: a redirect or a demand for a password is
// not followed. Throws NoPrinter when there is no default printer or the print system cannot be
// reached, stays silent for kPrintServerSilenceLimit or hangs up, PrintRefused when it answers
// anything but a success.
void PrintOnDefaultPrinter(const std::string& title, const PrintSteps& steps);

}  // namespace chiffrel
