#include "help/help_markup.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace chiffrel::ui {

namespace {

// The elements written again, by what they may hold.
const QStringList kBlocks{QStringLiteral("h1"), QStringLiteral("h2"), QStringLiteral("h3"),
                          QStringLiteral("p")};
const QStringList kInlines{QStringLiteral("b"), QStringLiteral("i")};
const QStringList kLists{QStringLiteral("ul"), QStringLiteral("ol")};
const QString kItem = QStringLiteral("li");
// Elements whose content is not shown.
const QStringList kHidden{QStringLiteral("head"), QStringLiteral("title"), QStringLiteral("style"),
                          QStringLiteral("script")};
constexpr int kMaxListDepth = 3;

struct Tag {
    QString name;  // in lower case
    bool closes = false;
    QString anchor;     // its "name" attribute
    qsizetype end = 0;  // just past the tag
};

// The tag at `html[at]`, a '<' followed by a letter or by '/' and a letter: its name, and the
// value of its "name" attribute. A quoted value runs to its quote; the tag runs to its '>'.
Tag ReadTag(QStringView html, qsizetype at) {
    Tag tag;
    qsizetype next = at + 1;
    tag.closes = html[next] == QLatin1Char('/');
    next += tag.closes ? 1 : 0;
    const auto nameEnd = [&html](qsizetype from) {
        while (from < html.size() && !html[from].isSpace() &&
               !QStringView(u"/>=").contains(html[from])) {
            ++from;
        }
        return from;
    };
    qsizetype end = nameEnd(next);
    tag.name = html.mid(next, end - next).toString().toLower();
    while (end < html.size() && html[end] != QLatin1Char('>')) {
        if (html[end].isSpace() || html[end] == QLatin1Char('/')) {
            ++end;
            continue;
        }
        const qsizetype attributeEnd = std::max(nameEnd(end), end + 1);
        const QString attribute = html.mid(end, attributeEnd - end).toString().toLower();
        end = attributeEnd;
        if (end >= html.size() || html[end] != QLatin1Char('=')) {
            continue;
        }
        ++end;
        qsizetype valueBegin = end;
        if (end < html.size() &&
            (html[end] == QLatin1Char('"') || html[end] == QLatin1Char('\''))) {
            const qsizetype quote = html.indexOf(html[end], end + 1);
            valueBegin = end + 1;
            end = quote < 0 ? html.size() : quote;
        } else {
            end = nameEnd(end);
        }
        if (attribute == QLatin1StringView("name")) {
            tag.anchor = html.mid(valueBegin, end - valueBegin).toString();
        }
        end += end < html.size() && html[end] != QLatin1Char('>') ? 1 : 0;
    }
    tag.end = std::min(end + 1, html.size());
    return tag;
}

// The text between tags, its character references read: the common named ones and numeric ones.
// Any other '&' is a character of its own.
QString DecodedText(const QString& text) {
    static const QRegularExpression reference(
        QStringLiteral("&(amp|lt|gt|quot|apos|nbsp|#[0-9]{1,7}|#[xX][0-9a-fA-F]{1,6});"));
    static const QHash<QString, QChar> named{
        {QStringLiteral("amp"), QLatin1Char('&')},   {QStringLiteral("lt"), QLatin1Char('<')},
        {QStringLiteral("gt"), QLatin1Char('>')},    {QStringLiteral("quot"), QLatin1Char('"')},
        {QStringLiteral("apos"), QLatin1Char('\'')}, {QStringLiteral("nbsp"), QChar(0xA0)}};
    QString decoded;
    qsizetype from = 0;
    for (auto match = reference.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        decoded += text.mid(from, found.capturedStart() - from);
        from = found.capturedEnd();
        const QString name = found.captured(1);
        if (!name.startsWith(QLatin1Char('#'))) {
            decoded += named.value(name);
            continue;
        }
        const bool hex = name.size() > 1 && name[1].toLower() == QLatin1Char('x');
        const uint code = name.mid(hex ? 2 : 1).toUInt(nullptr, hex ? 16 : 10);
        const bool valid = code != 0 && code <= 0x10FFFF && !QChar::isSurrogate(code);
        const char32_t character = code;
        decoded += valid ? QString::fromUcs4(&character, 1) : found.captured(0);
    }
    decoded += text.mid(from);
    return decoded;
}

// Writes the help's markup, keeping it well nested: a block closes the block and the bold or
// italic before it, an item the item before it, and a close tag every element opened since its
// own opening.
class HelpWriter {
  public:
    void Text(QStringView text) { markup_ += DecodedText(text.toString()).toHtmlEscaped(); }

    void Write(const Tag& tag) {
        if (tag.closes) {
            const qsizetype open = open_.lastIndexOf(tag.name);
            if (open >= 0) {
                CloseDownTo(open);
            }
        } else if (tag.name == QLatin1StringView("br")) {
            markup_ += QStringLiteral("<br>");
        } else if (tag.name == QLatin1StringView("a")) {
            static const QRegularExpression context(QStringLiteral("^contexte-[0-9]{1,4}$"));
            if (context.match(tag.anchor).hasMatch()) {
                markup_ += QStringLiteral("<a name=\"%1\"></a>").arg(tag.anchor);
            }
        } else if (kBlocks.contains(tag.name)) {
            CloseInlinesAndBlock();
            Open(tag.name);
        } else if (kInlines.contains(tag.name) && !open_.contains(tag.name)) {
            Open(tag.name);
        } else if (kLists.contains(tag.name) && ListDepth() < kMaxListDepth) {
            CloseInlinesAndBlock();
            Open(tag.name);
        } else if (tag.name == kItem && ListDepth() > 0) {
            CloseDownTo(InnermostList() + 1);
            Open(tag.name);
        }
    }

    QString Finish() {
        CloseDownTo(0);
        return markup_;
    }

  private:
    void Open(const QString& name) {
        open_.append(name);
        markup_ += QLatin1Char('<') + name + QLatin1Char('>');
    }

    void CloseDownTo(qsizetype depth) {
        while (open_.size() > depth) {
            markup_ += QStringLiteral("</") + open_.takeLast() + QLatin1Char('>');
        }
    }

    void CloseInlinesAndBlock() {
        while (!open_.isEmpty() &&
               (kInlines.contains(open_.last()) || kBlocks.contains(open_.last()))) {
            CloseDownTo(open_.size() - 1);
        }
    }

    qsizetype InnermostList() const {
        for (qsizetype at = open_.size() - 1; at >= 0; --at) {
            if (kLists.contains(open_[at])) {
                return at;
            }
        }
        return -1;
    }

    int ListDepth() const {
        return static_cast<int>(std::count_if(
            open_.begin(), open_.end(), [](const QString& name) { return kLists.contains(name); }));
    }

    QStringList open_;
    QString markup_;
};

bool StartsTag(QStringView html, qsizetype at) {
    const qsizetype name = at + 1 + (at + 1 < html.size() && html[at + 1] == QLatin1Char('/'));
    return name < html.size() && html[name].isLetter();
}

bool StartsDeclaration(QStringView html, qsizetype at) {
    return at + 1 < html.size() && QStringView(u"!?").contains(html[at + 1]);
}

// The next tag, comment or declaration from `from` on; any other '<' is text.
qsizetype NextMarkup(QStringView html, qsizetype from) {
    for (qsizetype at = html.indexOf(QLatin1Char('<'), from); at >= 0;
         at = html.indexOf(QLatin1Char('<'), at + 1)) {
        if (StartsTag(html, at) || StartsDeclaration(html, at)) {
            return at;
        }
    }
    return html.size();
}

// Where the text of an element not shown ends: past its close tag, or at the end.
qsizetype PastHidden(QStringView html, qsizetype from, const QString& name) {
    const qsizetype close = html.indexOf(QStringLiteral("</") + name, from, Qt::CaseInsensitive);
    const qsizetype end = close < 0 ? -1 : html.indexOf(QLatin1Char('>'), close);
    return end < 0 ? html.size() : end + 1;
}

// Where a comment or a declaration ("<!...>", "<?...>") that starts at `at` ends.
qsizetype PastDeclaration(QStringView html, qsizetype at) {
    const bool comment = html.mid(at).startsWith(QLatin1StringView("<!--"));
    const qsizetype end = comment ? html.indexOf(QLatin1StringView("-->"), at + 4)
                                  : html.indexOf(QLatin1Char('>'), at);
    return end < 0 ? html.size() : end + (comment ? 3 : 1);
}

}  // namespace

QString HelpMarkup(QStringView html) {
    HelpWriter writer;
    qsizetype at = 0;
    while (at < html.size()) {
        const qsizetype next = NextMarkup(html, at);
        writer.Text(html.mid(at, next - at));
        if (next >= html.size()) {
            break;
        }
        if (!StartsTag(html, next)) {
            at = PastDeclaration(html, next);
            continue;
        }
        const Tag tag = ReadTag(html, next);
        writer.Write(tag);
        at = !tag.closes && kHidden.contains(tag.name) ? PastHidden(html, tag.end, tag.name)
                                                       : tag.end;
    }
    return writer.Finish();
}

}  // namespace chiffrel::ui
