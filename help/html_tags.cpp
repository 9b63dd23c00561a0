#include "help/html_tags.h"

namespace chiffrel::ui {

namespace {

// Reads one tag step by step as Qt's reader does. A character reference inside a word never moves
// a boundary: the reader takes one only when it names a character, and no name holds a character
// that ends a word or a quote. So it is only noted, never resolved.
class TagReader {
  public:
    TagReader(QStringView text, qsizetype at) : text_(text), pos_(at + 1) { tag_.begin = at; }

    HtmlTag Read() {
        EatSpace();
        if (HasPrefix(u'!')) {
            SkipDeclaration();
        } else if (HasPrefix(u'/')) {
            ReadClose();
        } else {
            ReadOpen();
        }
        tag_.end = std::min(pos_, text_.size());
        return std::move(tag_);
    }

  private:
    struct Word {
        QString text;
        bool hasReference = false;
    };

    bool HasPrefix(QChar c, qsizetype ahead = 0) const {
        return pos_ + ahead < text_.size() && text_[pos_ + ahead] == c;
    }

    // Blanks, as Qt counts them, but for the paragraph separator.
    void EatSpace() {
        while (pos_ < text_.size() && text_[pos_].isSpace() &&
               text_[pos_] != QChar::ParagraphSeparator) {
            ++pos_;
        }
    }

    // A comment runs to "-->", any other declaration to '>', or to the end of the text.
    void SkipDeclaration() {
        ++pos_;
        if (HasPrefix(u'-') && HasPrefix(u'-', 1)) {
            const qsizetype close = text_.indexOf(u"-->", pos_ + 2);
            pos_ = close >= 0 ? close + 3 : text_.size();
        } else {
            SkipPast(u'>');
        }
    }

    void SkipPast(QChar end) {
        while (pos_ < text_.size() && text_[pos_++] != end) {
        }
    }

    void ReadClose() {
        tag_.kind = HtmlTag::Kind::kClose;
        ++pos_;
        Word name = ReadWord();
        tag_.name = name.text.toLower().trimmed();
        tag_.nameHasReference = name.hasReference;
        SkipPast(u'>');
    }

    void ReadOpen() {
        tag_.kind = HtmlTag::Kind::kOpen;
        Word name = ReadWord();
        tag_.name = name.text.toLower();
        tag_.nameHasReference = name.hasReference;
        // Attributes only after a blank.
        if (pos_ < text_.size() && text_[pos_].isSpace()) {
            ReadAttributes();
        }
        while (pos_ < text_.size() && text_[pos_] != u'>') {
            tag_.closesItself = tag_.closesItself || text_[pos_] == u'/';
            ++pos_;
        }
        ++pos_;
    }

    // A name, then '=' and a value, or the value "1"; an attribute with an empty value is none.
    void ReadAttributes() {
        while (pos_ < text_.size()) {
            EatSpace();
            if (HasPrefix(u'>') || HasPrefix(u'/')) {
                return;
            }
            HtmlAttribute attribute;
            attribute.begin = pos_;
            Word name = ReadWord();
            if (name.text.isEmpty()) {
                return;
            }
            Word value{QStringLiteral("1")};
            EatSpace();
            if (HasPrefix(u'=')) {
                ++pos_;
                EatSpace();
                value = ReadWord();
            }
            if (value.text.isEmpty()) {
                continue;
            }
            attribute.end = pos_;
            attribute.name = name.text.toLower();
            attribute.value = std::move(value.text);
            attribute.hasReference = name.hasReference || value.hasReference;
            tag_.attributes.append(std::move(attribute));
        }
    }

    Word ReadWord() {
        if (HasPrefix(u'"')) {
            return ReadDoubleQuoted();
        }
        if (HasPrefix(u'\'')) {
            return ReadSingleQuoted();
        }
        return ReadBare();
    }

    Word ReadDoubleQuoted() {
        Word word;
        ++pos_;
        while (pos_ < text_.size()) {
            const QChar c = text_[pos_++];
            if (c == u'"') {
                break;
            }
            Append(word, c);
        }
        return word;
    }

    // Inside single quotes a quote after a backslash does not close, and nothing is resolved.
    Word ReadSingleQuoted() {
        Word word;
        ++pos_;
        while (pos_ < text_.size()) {
            const QChar c = text_[pos_++];
            if (c == u'\'' && text_[pos_ - 2] != u'\\') {
                break;
            }
            word.text += c;
        }
        return word;
    }

    Word ReadBare() {
        Word word;
        while (pos_ < text_.size()) {
            const QChar c = text_[pos_];
            if (c == u'>' || (c == u'/' && HasPrefix(u'>', 1)) || c == u'<' || c == u'=' ||
                c.isSpace()) {
                break;
            }
            ++pos_;
            Append(word, c);
        }
        return word;
    }

    static void Append(Word& word, QChar c) {
        word.hasReference = word.hasReference || c == u'&';
        word.text += c;
    }

    QStringView text_;
    qsizetype pos_;
    HtmlTag tag_;
};

}  // namespace

HtmlTag ReadHtmlTag(QStringView text, qsizetype at) {
    return TagReader(text, at).Read();
}

}  // namespace chiffrel::ui
