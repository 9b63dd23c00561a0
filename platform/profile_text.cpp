#include "platform/profile_text.h"

#include <cstddef>

#include "platform/ascii_case.h"

namespace chiffrel {

namespace {

// ---- One line -------------------------------------------------------------------------------

// A carriage return counts as a blank, so the CR of a CRLF line end needs no handling of its own.
// In a file whose lines end with a CR alone, no line holds one.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::size_t SkipBlanks(std::string_view text, std::size_t from) {
    while (from < text.size() && IsBlank(text[from])) {
        ++from;
    }
    return from;
}

std::size_t TrimEnd(std::string_view text, std::size_t begin, std::size_t end) {
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return end;
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t begin = SkipBlanks(text, 0);
    return text.substr(begin, TrimEnd(text, begin, text.size()) - begin);
}

enum class LineKind {
    kOther,      // blank, comment, or anything without "="
    kSection,    // "[name]"
    kBadHeader,  // "[" without "]": ends the current section, names none
    kEntry,      // "key=value"
};

struct ProfileLine {
    LineKind kind = LineKind::kOther;
    std::string_view name;       // section or key, trimmed
    std::size_t valueBegin = 0;  // the trimmed value, as offsets into the line
    std::size_t valueEnd = 0;
};

ProfileLine ParseSectionHeader(std::string_view line, std::size_t open) {
    const std::size_t close = line.find(']', open + 1);
    if (close == std::string_view::npos) {
        return {LineKind::kBadHeader, {}, 0, 0};
    }
    return {LineKind::kSection, Trimmed(line.substr(open + 1, close - open - 1)), 0, 0};
}

ProfileLine ParseEntry(std::string_view line, std::size_t start) {
    const std::size_t equals = line.find('=', start);
    if (equals == std::string_view::npos) {
        return {};
    }
    const std::size_t valueBegin = SkipBlanks(line, equals + 1);
    return {LineKind::kEntry, Trimmed(line.substr(start, equals - start)), valueBegin,
            TrimEnd(line, valueBegin, line.size())};
}

// `line` holds no line end.
ProfileLine ParseLine(std::string_view line) {
    const std::size_t start = SkipBlanks(line, 0);
    if (start == line.size() || line[start] == ';') {
        return {};
    }
    if (line[start] == '[') {
        return ParseSectionHeader(line, start);
    }
    return ParseEntry(line, start);
}

// ---- Lines in a whole text -----------------------------------------------------------------

// Lines end with LF, or CR LF. A text without any LF whose lines end with a lone CR, as classic
// Mac OS wrote them, has CR as its line end; otherwise a lone CR stays part of its line.
char LineBreakOf(std::string_view text) {
    return text.find('\n') == std::string_view::npos && text.find('\r') != std::string_view::npos
               ? '\r'
               : '\n';
}

// One line of a file's text: [begin, contentEnd) without its line break, [begin, end) with it.
struct LineSpan {
    std::size_t begin;
    std::size_t contentEnd;
    std::size_t end;
};

LineSpan LineAt(std::string_view text, char lineBreak, std::size_t begin) {
    const std::size_t lineEnd = text.find(lineBreak, begin);
    if (lineEnd == std::string_view::npos) {
        return {begin, text.size(), text.size()};
    }
    return {begin, lineEnd, lineEnd + 1};
}

// New lines follow the file's own convention, read from its first line end.
std::string_view LineEndOf(std::string_view text) {
    if (LineBreakOf(text) == '\r') {
        return "\r";
    }
    const std::size_t newline = text.find('\n');
    return newline != std::string_view::npos && newline > 0 && text[newline - 1] == '\r' ? "\r\n"
                                                                                         : "\n";
}

// Inserts whole lines at a line boundary, ending an unterminated last line first.
void InsertLines(std::string& text, std::size_t at, std::string lines) {
    if (at == text.size() && !text.empty() && !text.ends_with(LineBreakOf(text))) {
        lines.insert(0, LineEndOf(text));
    }
    text.insert(at, lines);
}

std::string EntryLine(std::string_view key, std::string_view value, std::string_view lineEnd) {
    std::string line(key);
    line.append("=").append(value).append(lineEnd);
    return line;
}

// Where a value goes in a file's text.
struct Placement {
    enum class Kind {
        kReplaceValue,   // the old value is text[at, at + length)
        kInsertEntry,    // a new key line goes at `at`, after the last entry of the section
        kAppendSection,  // the section is missing
    };
    Kind kind = Kind::kAppendSection;
    std::size_t at = 0;
    std::size_t length = 0;
};

// Only the first section of that name and the first key of that name in it count.
Placement FindPlacement(std::string_view text, std::string_view section, std::string_view key) {
    const char lineBreak = LineBreakOf(text);
    std::optional<std::size_t> endOfSection;
    for (std::size_t pos = 0; pos < text.size();) {
        const LineSpan span = LineAt(text, lineBreak, pos);
        pos = span.end;
        const ProfileLine parsed = ParseLine(text.substr(span.begin, span.contentEnd - span.begin));
        if (parsed.kind == LineKind::kSection || parsed.kind == LineKind::kBadHeader) {
            if (endOfSection) {
                break;
            }
            if (parsed.kind == LineKind::kSection && SameIgnoringAsciiCase(parsed.name, section)) {
                endOfSection = span.end;
            }
        } else if (endOfSection && parsed.kind == LineKind::kEntry) {
            if (SameIgnoringAsciiCase(parsed.name, key)) {
                return {Placement::Kind::kReplaceValue, span.begin + parsed.valueBegin,
                        parsed.valueEnd - parsed.valueBegin};
            }
            endOfSection = span.end;
        }
    }
    if (endOfSection) {
        return {Placement::Kind::kInsertEntry, *endOfSection, 0};
    }
    return {Placement::Kind::kAppendSection, text.size(), 0};
}

}  // namespace

std::optional<std::string> FindValueInText(std::string_view text, std::string_view section,
                                           std::string_view key) {
    const Placement place = FindPlacement(text, section, key);
    if (place.kind != Placement::Kind::kReplaceValue) {
        return std::nullopt;
    }
    return std::string(text.substr(place.at, place.length));
}

std::string_view WholeLines(std::string_view text) {
    const std::size_t lastBreak = text.rfind(LineBreakOf(text));
    return text.substr(0, lastBreak == std::string_view::npos ? 0 : lastBreak + 1);
}

std::string_view WithoutEnclosingQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string_view StoredFormOf(std::string_view value) {
    return Trimmed(value.substr(0, value.find_first_of("\r\n")));
}

std::string WithValue(std::string text, std::string_view section, std::string_view key,
                      std::string_view value) {
    const Placement place = FindPlacement(text, section, key);
    const std::string lineEnd(LineEndOf(text));
    switch (place.kind) {
        case Placement::Kind::kReplaceValue:
            text.replace(place.at, place.length, value);
            break;
        case Placement::Kind::kInsertEntry:
            InsertLines(text, place.at, EntryLine(key, value, lineEnd));
            break;
        case Placement::Kind::kAppendSection:
            InsertLines(
                text, place.at,
                "[" + std::string(section) + "]" + lineEnd + EntryLine(key, value, lineEnd));
            break;
    }
    return text;
}

}  // namespace chiffrel
