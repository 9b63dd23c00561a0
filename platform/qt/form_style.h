#pragma once

// What the forms need beyond their .ui files: the Windows font names they were designed with,
// their fonts' pixel heights (Designer stores point sizes only), and amount texts in Qt strings.

#include <QString>
#include <string>
#include <string_view>

class QWidget;

namespace chiffrel::ui {

// Lets the font names of the forms find an installed family: "MS Sans Serif" and "Arial" fall
// back to Liberation Sans or DejaVu Sans, "Comic Sans MS" to Comic Neue.
void InstallFontSubstitutes();

// Sets the widget's font to `pixels` pixels high, keeping its family and style.
void SetPixelHeight(QWidget* widget, int pixels);

// Amounts are 8-bit texts; each byte is one character.
inline QString ToQString(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string ToAmountText(const QString& text) {
    return text.toLatin1().toStdString();
}

}  // namespace chiffrel::ui
