#pragma once

// What the forms need beyond their .ui files: the Windows font names they were designed with,
// their fonts' pixel heights (Designer stores point sizes only), the colours they fix, their place
// on the screen, and amount texts in Qt strings.

#include <QList>
#include <QPalette>
#include <QPoint>
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

// The palette the forms were designed on: the style's own light one, whatever scheme the desktop
// has chosen.
QPalette DesignPalette();

// Fixes both colours of a text and its background on `widget`. A form that fixes only one of them
// (white field, blue label) leaves the other to the desktop's scheme, where a dark scheme can put
// white text on the white field; the partner is given the design palette's colour, so that under
// the default light palette nothing changes.
void SetColourPair(QWidget* widget, QPalette::ColorRole backgroundRole, const QColor& background,
                   QPalette::ColorRole textRole, const QColor& text);

// Moves a top-level window to `wanted`, or as near as keeps it inside the primary screen's
// available area.
void MoveInsideScreen(QWidget* window, QPoint wanted);

// Centres a top-level window on the primary screen's available area, inside it.
void CentreOnScreen(QWidget* window);

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
