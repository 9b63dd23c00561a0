#include "mainwin/printing.h"

#include <QGuiApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTextDocument>
#include <memory>

#include "engine/float_error.h"
#include "mainwin/program_context.h"

namespace chiffrel {

namespace {

class NoPrinter : public ProgramError {
  public:
    NoPrinter() : ProgramError("Aucune imprimante n'est installée : impression impossible") {}
};

}  // namespace

std::unique_ptr<QPrinter> DefaultPrinter() {
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull()) {
        throw NoPrinter();
    }
    return std::make_unique<QPrinter>(printer, QPrinter::HighResolution);
}

void PrintOverPrintableArea(const QTextDocument& document, QPrinter& printer) {
    // The smallest margins the printer allows: the printable area.
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    const std::unique_ptr<QTextDocument> copy(document.clone());
    copy->setDocumentMargin(0);
    // With a page size of its own the document is printed as laid out: without it Qt adds
    // margins of two centimetres and page numbers. The layout works in screen pixels.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal screenDpi = screen ? screen->logicalDotsPerInch() : 96.0;
    const QSizeF printable = printer.pageLayout().paintRect(QPageLayout::Inch).size();
    copy->setPageSize(printable * screenDpi);
    copy->print(&printer);
}

}  // namespace chiffrel
