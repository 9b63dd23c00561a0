#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace chiffrel {

// The lines of a private-profile (INI) file: finding a value and setting one, in memory, without
// any file access. Texts here are in the form the file's lines are read in (see
// profile_encoding.h), and so are the section and key names given.
//
// "[section]" lines, each followed by "key=value" lines. Lines end with LF or CR LF; a text with
// no LF at all whose lines end with a lone CR has CR as its line end. Names match without regard
// to ASCII case, blanks (spaces, tabs, and the CR of a CRLF line end) around names and values do
// not count, lines starting with ";" are comments. Only the first section of a name counts, and
// only the first key of a name in it. A "[" line without "]" names no section but ends the one
// before it.

// The value of `key` in `section`, without the blanks around it.
std::optional<std::string> FindValueInText(std::string_view text, std::string_view section,
                                           std::string_view key);

// `text` up to its last line end: what a text cut at any byte holds of whole lines.
std::string_view WholeLines(std::string_view text);

// A value as a read gives it: without one pair of enclosing quotes (" or ').
std::string_view WithoutEnclosingQuotes(std::string_view value);

// What a write stores of a value: its first line, without the blanks around it. Blanks are
// never read back: writing them would only let them pile up around the value at each rewrite.
std::string_view StoredFormOf(std::string_view value);

// `text` with `value` as the value of `key` in `section`, adding the key or the section as
// needed. Only the old value is replaced, or whole lines are added in the text's own line ends:
// every other byte stays.
std::string WithValue(std::string text, std::string_view section, std::string_view key,
                      std::string_view value);

}  // namespace chiffrel
