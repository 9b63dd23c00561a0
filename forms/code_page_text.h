#pragma once

// Amounts, rates and settings values are 8-bit texts in code page 1252: "5 €" is "5 \x80".
// The windows show and edit them as Qt strings.

#include <QString>
#include <string>
#include <string_view>

#include "platform/code_page_1252.h"

namespace chiffrel::ui {

inline QString ToQString(std::string_view text) {
    QString converted;
    converted.reserve(static_cast<qsizetype>(text.size()));
    for (const char byte : text) {
        converted += QChar(Cp1252ToUnicode(static_cast<unsigned char>(byte)));
    }
    return converted;
}

// Characters the code page does not have become "?".
inline std::string ToAmountText(const QString& text) {
    std::string converted;
    for (const char32_t codePoint : text.toUcs4()) {
        converted += UnicodeToCp1252(codePoint);
    }
    return converted;
}

}  // namespace chiffrel::ui
