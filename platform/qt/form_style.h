#pragma once

// What the forms need beyond their .ui files: the Windows font names they were designed with,
// their fonts' pixel heights (Designer stores point sizes only), and amount texts in Qt strings.

#include <QList>
#include <QString>
#include <string>
#include <string_view>

#include "platform/code_page_1252.h"

class QWidget;

namespace chiffrel::ui {

// Lets the font names of the forms find an installed family: "MS Sans Serif" and "Arial" fall
// back to Liberation Sans or DejaVu Sans, "Comic Sans MS" to Comic Neue.
void InstallFontSubstitutes();

// Sets the widget's font to `pixels` pixels high, keeping its family and style.
void SetPixelHeight(QWidget* widget, int pixels);

// Amounts, rates and settings values are 8-bit texts in code page 1252: "5 €" is "5 \x80".
// Characters the code page does not have become "?".
inline QString ToQString(std::string_view text) {
    QString converted;
    converted.reserve(static_cast<qsizetype>(text.size()));
    for (const char byte : text) {
        converted += QChar(Cp1252ToUnicode(static_cast<unsigned char>(byte)));
    }
    return converted;
}
inline std::string ToAmountText(const QString& text) {
    std::string converted;
    for (const char32_t codePoint : text.toUcs4()) {
        converted += UnicodeToCp1252(codePoint);
    }
    return converted;
}

}  // namespace chiffrel::ui
