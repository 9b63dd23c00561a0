// Any bytes as the registered open command of web pages: SplitBrowserCommand must give a program
// taken from the front of the command and arguments left from the rest, cleaned as promised.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "components/GoToWeb.h"
#include "fuzz/fuzz_check.h"

namespace chiffrel::fuzz {
namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsWindowsEnding(std::string_view four) {
    std::string upper(four);
    std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpper);
    return upper == ".EXE" || upper == ".BAT" || upper == ".COM";
}

// Where the rightmost ".EXE", ".BAT" or ".COM" ends, if any.
std::optional<std::size_t> LastWindowsEnding(std::string_view command) {
    for (std::size_t end = command.size(); end >= 4; --end) {
        if (IsWindowsEnding(command.substr(end - 4, 4))) {
            return end;
        }
    }
    return std::nullopt;
}

// `part` can be made from `whole` by deleting characters.
bool IsSubsequence(std::string_view part, std::string_view whole) {
    std::size_t next = 0;
    for (const char c : whole) {
        if (next < part.size() && part[next] == c) {
            ++next;
        }
    }
    return next == part.size();
}

std::string Describe(std::string_view command, const BrowserCommand& split) {
    return "\"" + std::string(command) + "\" -> program \"" + split.program + "\", arguments \"" +
           split.arguments + "\"";
}

void CheckArguments(std::string_view rest, const std::string& command,
                    const BrowserCommand& split) {
    const std::string& arguments = split.arguments;
    Require(arguments.find_first_of("\"%") == std::string::npos,
            "the arguments keep no double quote and no placeholder", Describe(command, split));
    Require(arguments.empty() ||
                (!IsBlankOrControl(arguments.front()) && !IsBlankOrControl(arguments.back())),
            "the arguments have no blank or control character around them",
            Describe(command, split));
    Require(IsSubsequence(arguments, rest), "the arguments come from what follows the program",
            Describe(command, split));
}

// The program ends just after the rightmost ending; a leading double quote is not part of it.
void CheckWindowsCommand(const std::string& command, std::size_t programEnd,
                         const BrowserCommand& split) {
    const std::size_t programBegin = command.starts_with('"') ? 1 : 0;
    Require(
        split.program == std::string_view(command).substr(programBegin, programEnd - programBegin),
        "a Windows program runs up to its rightmost ending", Describe(command, split));
    CheckArguments(std::string_view(command).substr(programEnd), command, split);
}

// The program is the first word of the trimmed line, or what the opening double quote encloses.
void CheckExecLine(const std::string& command, const BrowserCommand& split) {
    std::string_view text = command;
    while (!text.empty() && IsBlankOrControl(text.front())) {
        text.remove_prefix(1);
    }
    if (text.starts_with('"')) {
        Require(IsSubsequence(split.program, text.substr(1)),
                "a quoted program comes from inside its quotes", Describe(command, split));
        CheckArguments(text.substr(1), command, split);
        return;
    }
    const std::string_view word =
        text.substr(0, std::find_if(text.begin(), text.end(), IsBlankOrControl) - text.begin());
    Require(split.program == word, "an Exec line's program is its first word",
            Describe(command, split));
    CheckArguments(text.substr(word.size()), command, split);
}

}  // namespace
}  // namespace chiffrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace chiffrel::fuzz;
    const std::string command(reinterpret_cast<const char*>(data), size);
    const chiffrel::BrowserCommand split = chiffrel::SplitBrowserCommand(command);
    if (const auto programEnd = LastWindowsEnding(command)) {
        CheckWindowsCommand(command, *programEnd, split);
    } else {
        CheckExecLine(command, split);
    }
    return 0;
}
