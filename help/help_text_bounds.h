#pragma once

#include <QString>
#include <QStringView>
#include <QTextFrame>
#include <QVariant>

namespace chiffrel::ui {

// Qt lays out each level of tables in a cell at least twice over, so the time doubles with every
// level, and deep markup also costs it time per element and level: a help file of a kilobyte
// could freeze the window for minutes or overflow the stack. These bounds keep the help text
// within what it lays out at once; the program's own help stays far inside them.

// The most block elements (divisions, paragraphs, lists and their items, tables, their rows and
// cells...) one inside another, counted as Qt's HTML reader nests them.
inline constexpr int kMaxHelpBlockDepth = 8;
// The most elements in all, those Qt adds itself around a lone cell or row included.
inline constexpr int kMaxHelpElements = 2048;
// The most columns or rows one cell may span: spans push the cells of the rows below them aside,
// so the table's grid grows with their square. A help table merges two or three cells.
inline constexpr int kMaxHelpCellSpan = 4;

// The most tables one inside another in the document Qt makes of a help text. The levels above
// hold two tables with their rows and cells; but Qt puts a table that comes after the last cell
// of another inside that cell, so that tables side by side may still end up one in another.
inline constexpr int kMaxHelpTableDepth = 3;

// The HTML help text as Qt's reader will see it within the bounds above: a tag that would open an
// element beyond them is left out, so that what it held flows into the element around it, and a
// cell's span beyond the bound is made an attribute Qt ignores. Tags Qt would ignore, or read in a
// way that cannot be known beforehand (a character reference in a tag name), are left out too; the
// text and every other tag stay as written. When the tables still end up nested too deep, every tag
// of a table is left out: their text stays.
QString BoundedHelpText(QStringView html);

// How many tables lie one inside another under a frame of a document.
int TableDepth(const QTextFrame& frame);

// What the help gives for a picture or a file its text names: an empty picture or an empty text.
// Nothing named is ever read, as a help file replaced by someone else could name a FIFO or a
// device, which would never end.
QVariant EmptyHelpResource(int type);

}  // namespace chiffrel::ui
