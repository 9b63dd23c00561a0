#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace chiffrel::ui {

// One attribute of an open tag, as Qt's HTML reader (QTextHtmlParser, Qt 6.4) reads it.
struct HtmlAttribute {
    qsizetype begin = 0;  // its name's first character
    qsizetype end = 0;    // just past its value
    QString name;         // in lower case
    QString value;        // as written, without its quotes
    // Qt resolves character references ("&#99;") in names and values: with one, neither the
    // name nor the value is known for sure.
    bool hasReference = false;
};

// One tag of an HTML text: where it lies and what Qt's reader makes of it.
struct HtmlTag {
    enum class Kind { kOpen, kClose, kDeclaration };  // a declaration: "<!...>", a comment

    Kind kind = Kind::kDeclaration;
    qsizetype begin = 0;  // its '<'
    qsizetype end = 0;    // just past it
    QString name;         // in lower case; a close tag's without its blanks
    bool nameHasReference = false;
    bool closesItself = false;  // a '/' between its attributes and its '>'
    QList<HtmlAttribute> attributes;
};

// The tag that starts at `text[at]`, a '<', with the very boundaries Qt's reader gives it: its
// name may be quoted, a quoted value runs to its closing quote over any '>', a tag left open runs
// to the end of the text. Every '<' of a text starts a tag; the text between tags, references
// included, never ends or starts one.
HtmlTag ReadHtmlTag(QStringView text, qsizetype at);

}  // namespace chiffrel::ui
