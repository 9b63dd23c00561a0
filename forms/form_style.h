#pragma once

// What the forms need beyond their .ui files: the Windows font names they were designed with,
// their fonts' pixel heights (Designer stores point sizes only), the colours they fix and their
// place on the screen.

#include <QList>
#include <QPalette>
#include <QPoint>
#include <QString>

class QDialog;
class QWidget;

namespace chiffrel::ui {

// Lets the font names of the forms find an installed family: "MS Sans Serif" and "Arial" fall
// back to Liberation Sans or DejaVu Sans, "Comic Sans MS" to Comic Neue.
void InstallFontSubstitutes();

// Sets the widget's font to `pixels` pixels high, keeping its family and style.
void SetPixelHeight(QWidget* widget, int pixels);

// Gives a form the font it was designed with, "MS Sans Serif" at 8 points, 11 pixels high; its
// controls inherit it. Given before the controls are made, it spares them a font they never
// show: a line edit lays out its text at once in every font it is given.
void SetFormFont(QWidget* form);

// Fixes a dialog at its designed size, with a title bar, the system menu and a close box, and a
// minimize box where `minimizeBox` asks for one.
void SetFixedDialogFrame(QDialog* dialog, bool minimizeBox = false);

// The palette the forms were designed on: the desktop's scheme when it is a light one, Qt's own
// light scheme when it is dark (a dark style's own palette is dark too).
QPalette DesignPalette();

// Fixes both colours of a text and its background on `widget`. A form that fixes only one of them
// (white field, blue label) leaves the other to the desktop's scheme, where a dark scheme can put
// white text on the white field; the partner is given the design palette's colour, so that under
// the default light palette nothing changes.
void SetColourPair(QWidget* widget, QPalette::ColorRole backgroundRole, const QColor& background,
                   QPalette::ColorRole textRole, const QColor& text);

// Moves a top-level window, not yet shown, to `wanted`, or as near as keeps it inside the primary
// screen's available area. The place is that of the window's frame where the window manager tells
// it before the window shows; otherwise that of the window.
void MoveInsideScreen(QWidget* window, QPoint wanted);

// Centres a top-level window, not yet shown, on the primary screen's available area, inside it:
// with its frame where the window manager tells it before the window shows.
void CentreOnScreen(QWidget* window);

}  // namespace chiffrel::ui
