#pragma once

class QPrinter;
class QTextDocument;

namespace chiffrel {

// Prints the document on `printer` over the whole printable area of the page, with no margin
// or page number of its own, page after page.
void PrintOverPrintableArea(const QTextDocument& document, QPrinter& printer);

}  // namespace chiffrel
