#include "help/help_text_bounds.h"

#include <QImage>
#include <QList>
#include <QTextDocument>
#include <algorithm>
#include <iterator>

#include "help/html_tags.h"

namespace chiffrel::ui {

namespace {

// The elements whose place Qt's reader decides by a rule of its own; every other is kOther.
enum class ElementId {
    kOther,
    kBody,
    kHead,
    kParagraph,
    kListItem,
    kTable,
    kRowGroup,
    kRow,
    kCell,
    kHeaderCell,
    kCaption,
    kDefinitionList,
    kDefinitionPart,
    kEmpty,  // an element that never holds another: img, hr, br, meta
};

enum class Display { kInline, kBlock, kTable, kNone };

struct ElementKind {
    ElementId id = ElementId::kOther;
    Display display = Display::kInline;  // unknown names are inline
};

struct NamedKind {
    const char16_t* name;
    ElementKind kind;
};

// Qt's own list of the elements it knows, with what it lays them out as.
constexpr ElementId kOther = ElementId::kOther;
constexpr NamedKind kKnownElements[] = {
    {u"blockquote", {kOther, Display::kBlock}},
    {u"body", {ElementId::kBody, Display::kBlock}},
    {u"br", {ElementId::kEmpty, Display::kInline}},
    {u"caption", {ElementId::kCaption, Display::kBlock}},
    {u"center", {kOther, Display::kBlock}},
    {u"dd", {ElementId::kDefinitionPart, Display::kBlock}},
    {u"div", {kOther, Display::kBlock}},
    {u"dl", {ElementId::kDefinitionList, Display::kBlock}},
    {u"dt", {ElementId::kDefinitionPart, Display::kBlock}},
    {u"h1", {kOther, Display::kBlock}},
    {u"h2", {kOther, Display::kBlock}},
    {u"h3", {kOther, Display::kBlock}},
    {u"h4", {kOther, Display::kBlock}},
    {u"h5", {kOther, Display::kBlock}},
    {u"h6", {kOther, Display::kBlock}},
    {u"head", {ElementId::kHead, Display::kNone}},
    {u"hr", {ElementId::kEmpty, Display::kBlock}},
    {u"img", {ElementId::kEmpty, Display::kInline}},
    {u"li", {ElementId::kListItem, Display::kBlock}},
    {u"link", {kOther, Display::kNone}},
    {u"meta", {ElementId::kEmpty, Display::kNone}},
    {u"ol", {kOther, Display::kBlock}},
    {u"p", {ElementId::kParagraph, Display::kBlock}},
    {u"pre", {kOther, Display::kBlock}},
    {u"qt", {ElementId::kBody, Display::kBlock}},
    {u"script", {kOther, Display::kNone}},
    {u"style", {kOther, Display::kNone}},
    {u"table", {ElementId::kTable, Display::kTable}},
    {u"tbody", {ElementId::kRowGroup, Display::kTable}},
    {u"td", {ElementId::kCell, Display::kBlock}},
    {u"tfoot", {ElementId::kRowGroup, Display::kTable}},
    {u"th", {ElementId::kHeaderCell, Display::kBlock}},
    {u"thead", {ElementId::kRowGroup, Display::kTable}},
    {u"title", {kOther, Display::kNone}},
    {u"tr", {ElementId::kRow, Display::kTable}},
    {u"ul", {kOther, Display::kBlock}},
};

ElementKind KindOf(QStringView name) {
    const auto known =
        std::find_if(std::begin(kKnownElements), std::end(kKnownElements),
                     [name](const NamedKind& k) { return name == QStringView(k.name); });
    return known != std::end(kKnownElements) ? known->kind : ElementKind{};
}

bool IsBlockLevel(Display display) {
    return display == Display::kBlock || display == Display::kTable;
}

bool IsTablePart(ElementId id) {
    switch (id) {
        case ElementId::kTable:
        case ElementId::kRowGroup:
        case ElementId::kRow:
        case ElementId::kCell:
        case ElementId::kHeaderCell:
        case ElementId::kCaption:
            return true;
        default:
            return false;
    }
}

enum class Tables { kKept, kLeftOut };

// Where Qt's reader lets an element go, by its parent's kind.
bool AllowedIn(ElementId id, ElementId parent) {
    switch (id) {
        case ElementId::kDefinitionPart:
            return parent == ElementId::kDefinitionList;
        case ElementId::kRow:
            return parent == ElementId::kTable || parent == ElementId::kRowGroup;
        case ElementId::kCell:
        case ElementId::kHeaderCell:
            return parent == ElementId::kRow;
        case ElementId::kRowGroup:
        case ElementId::kCaption:
            return parent == ElementId::kTable;
        case ElementId::kBody:
            return parent != ElementId::kHead;
        default:
            return true;
    }
}

// An element Qt's reader holds open, and how many block elements it sits in, itself included.
struct OpenElement {
    QString tag;
    ElementId id;
    Display display;  // none inside an element that is not displayed
    int blockDepth;
};

// Where a new element goes: under the open element `parent`, inside the elements Qt adds itself
// there first (a table and a row around a lone cell, a table around a lone row).
struct Placement {
    qsizetype parent;
    QList<ElementId> added;
};

// Reads the help text tag by tag, keeping the elements Qt will hold open, as Qt's reader places
// them (its resolveParent), and writes out what stays within the bounds.
class BoundedReader {
  public:
    BoundedReader(QStringView html, Tables tables) : html_(html), tables_(tables) {
        open_.append({QString(), ElementId::kOther, Display::kInline, 0});
        kept_.reserve(html.size());
    }

    QString Read() && {
        for (qsizetype at = 0; at < html_.size();) {
            const qsizetype tagAt = html_.indexOf(u'<', at);
            if (tagAt < 0) {
                kept_ += html_.mid(at);
                break;
            }
            kept_ += html_.mid(at, tagAt - at);
            const HtmlTag tag = ReadHtmlTag(html_, tagAt);
            Take(tag);
            at = tag.end;
        }
        return std::move(kept_);
    }

  private:
    void Take(const HtmlTag& tag) {
        switch (tag.kind) {
            case HtmlTag::Kind::kDeclaration:
                kept_ += TextOf(tag);
                break;
            case HtmlTag::Kind::kOpen:
                Open(tag);
                break;
            case HtmlTag::Kind::kClose:
                Close(tag);
                break;
        }
    }

    QStringView TextOf(const HtmlTag& tag) const {
        return html_.mid(tag.begin, tag.end - tag.begin);
    }

    // An element without a name takes the text after it and shows nothing; one whose name holds
    // a character reference may be any.
    bool LeftOut(const HtmlTag& tag, ElementId id) const {
        return tag.name.isEmpty() || tag.nameHasReference ||
               (tables_ == Tables::kLeftOut && IsTablePart(id));
    }

    void Open(const HtmlTag& tag) {
        const ElementKind kind = KindOf(tag.name);
        if (LeftOut(tag, kind.id)) {
            return;
        }
        const Placement placement = Place(kind.id);
        const int depth = open_[placement.parent].blockDepth +
                          static_cast<int>(placement.added.size()) +
                          (IsBlockLevel(kind.display) ? 1 : 0);
        const qsizetype elements = elements_ + placement.added.size() + 1;
        if (depth > kMaxHelpBlockDepth || elements > kMaxHelpElements) {
            return;
        }
        elements_ = elements;
        kept_ += kind.id == ElementId::kCell || kind.id == ElementId::kHeaderCell
                     ? WithBoundedSpans(tag)
                     : TextOf(tag).toString();
        Enter(tag, kind, placement, depth);
    }

    // The elements Qt adds are open, and the new one unless it holds nothing, in the parent's.
    void Enter(const HtmlTag& tag, ElementKind kind, const Placement& placement, int depth) {
        open_.resize(placement.parent + 1);
        for (const ElementId added : placement.added) {
            Push(added == ElementId::kTable ? QStringLiteral("table") : QStringLiteral("tr"), added,
                 Display::kInline, open_.last().blockDepth + 1);
        }
        if (kind.id != ElementId::kEmpty && !tag.closesItself) {
            const Display display =
                open_.last().display == Display::kNone ? Display::kNone : kind.display;
            Push(tag.name, kind.id, display, depth);
        }
    }

    // Qt closes the nearest open element of that name with all it holds, and ignores a close tag
    // that matches none. A close tag of an element that holds nothing may reopen an element
    // already closed: it is left out.
    void Close(const HtmlTag& tag) {
        const ElementId id = KindOf(tag.name).id;
        if (LeftOut(tag, id) || id == ElementId::kEmpty) {
            return;
        }
        for (qsizetype at = open_.size() - 1; at > 0; --at) {
            if (open_[at].tag == tag.name) {
                kept_ += TextOf(tag);
                open_.resize(at);
                return;
            }
        }
    }

    void Push(const QString& tag, ElementId id, Display display, int blockDepth) {
        open_.append({tag, id, display, blockDepth});
    }

    Placement Place(ElementId id) const {
        const qsizetype current = open_.size() - 1;
        if (id == ElementId::kCell && !HasOpen(ElementId::kRow)) {
            return {current, {ElementId::kTable, ElementId::kRow}};
        }
        if (id == ElementId::kRow && !HasOpen(ElementId::kTable)) {
            return {current, {ElementId::kTable}};
        }
        qsizetype parent = id == ElementId::kParagraph ? ParagraphParent() : current;
        // A paragraph or a list item never goes straight into another.
        if ((id == ElementId::kParagraph || id == ElementId::kListItem) && open_[parent].id == id) {
            --parent;
        }
        while (parent > 0 && !AllowedIn(id, open_[parent].id)) {
            --parent;
        }
        return {parent, {}};
    }

    // A new paragraph goes beside the paragraph it would fall in, even from inside inline
    // elements of that paragraph.
    qsizetype ParagraphParent() const {
        qsizetype block = open_.size() - 1;
        while (block > 0 && open_[block].display != Display::kBlock) {
            --block;
        }
        return block > 0 && open_[block].id == ElementId::kParagraph ? block : open_.size() - 1;
    }

    bool HasOpen(ElementId id) const {
        return std::any_of(open_.begin() + 1, open_.end(),
                           [id](const OpenElement& e) { return e.id == id; });
    }

    // The cell's tag with a column or row span beyond the bound, or any attribute that might be
    // one, made an attribute Qt does not know. Taking it out instead could change how Qt reads
    // the rest of the tag: in <td rows colspan=9="...">, the "=" would go to "rows".
    QString WithBoundedSpans(const HtmlTag& tag) const {
        QString text;
        qsizetype from = tag.begin;
        for (const HtmlAttribute& attribute : tag.attributes) {
            if (!SpanWithinBound(attribute)) {
                text += html_.mid(from, attribute.begin - from);
                text += QLatin1StringView("x=\"1\"");
                from = attribute.end;
            }
        }
        return text += html_.mid(from, tag.end - from);
    }

    static bool SpanWithinBound(const HtmlAttribute& attribute) {
        if (attribute.hasReference) {
            return false;
        }
        if (attribute.name != QLatin1StringView("colspan") &&
            attribute.name != QLatin1StringView("rowspan")) {
            return true;
        }
        const bool digits = std::all_of(attribute.value.begin(), attribute.value.end(),
                                        [](QChar c) { return c >= u'0' && c <= u'9'; });
        bool number = false;
        const int span = attribute.value.toInt(&number);
        return digits && number && span <= kMaxHelpCellSpan;
    }

    QStringView html_;
    Tables tables_;
    QString kept_;
    QList<OpenElement> open_;  // the open elements, the document's root first
    qsizetype elements_ = 0;
};

// Qt reads only the part of a text between the markers of a copied fragment, when there are
// some, after the header of its own old rich-text format when the text holds one anywhere.
QString PartQtReads(QStringView html) {
    const QLatin1StringView start("<!--StartFragment-->");
    const QLatin1StringView end("<!--EndFragment-->");
    const QLatin1StringView header("<meta name=\"qrichtext\" content=\"1\" />");
    const qsizetype startAt = html.indexOf(start);
    if (startAt < 0) {
        return html.toString();
    }
    const qsizetype endAt = html.indexOf(end);
    QString part = startAt < endAt ? html.mid(startAt, endAt - startAt).toString()
                                   : html.mid(startAt).toString();
    if (html.contains(header)) {
        part.prepend(header);
    }
    return part;
}

// A document that reads nothing a text names, as the help window.
class SelfContainedDocument : public QTextDocument {
  protected:
    QVariant loadResource(int type, const QUrl&) override { return EmptyHelpResource(type); }
};

// Qt's reader makes the document without laying it out: that costs little.
bool TablesNestTooDeep(const QString& html) {
    SelfContainedDocument document;
    document.setHtml(html);
    return TableDepth(*document.rootFrame()) > kMaxHelpTableDepth;
}

}  // namespace

QString BoundedHelpText(QStringView html) {
    const QString part = PartQtReads(html);
    QString bounded = BoundedReader(part, Tables::kKept).Read();
    if (TablesNestTooDeep(bounded)) {
        bounded = BoundedReader(part, Tables::kLeftOut).Read();
    }
    return bounded;
}

int TableDepth(const QTextFrame& frame) {
    int deepest = 0;
    for (const QTextFrame* inner : frame.childFrames()) {
        deepest = std::max(deepest, 1 + TableDepth(*inner));
    }
    return deepest;
}

// Qt would read a resource left without an answer itself.
QVariant EmptyHelpResource(int type) {
    if (type == QTextDocument::ImageResource) {
        QImage nothing(1, 1, QImage::Format_ARGB32);
        nothing.fill(Qt::transparent);
        return nothing;
    }
    return QByteArray();
}

}  // namespace chiffrel::ui
