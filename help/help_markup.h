#pragma once

#include <QString>
#include <QStringView>

namespace chiffrel::ui {

// The help file as markup the program writes itself, which any Qt lays out at once: the file is
// read loosely, and only headings, paragraphs, bold, italic, line breaks, lists three levels deep
// and the context anchors ("contexte-N") are written again, well nested and without any
// attribute but an anchor's name. Every other tag is left out and its text kept, but for the
// title, style sheets and scripts, which are not shown; character references are read, and the
// text is written back escaped. No style, picture, table or link ever reaches Qt.
QString HelpMarkup(QStringView html);

}  // namespace chiffrel::ui
