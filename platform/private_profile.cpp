#include "platform/private_profile.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/atomic_replace.h"
#include "platform/profile_encoding.h"
#include "platform/profile_text.h"
#include "platform/regular_file.h"

namespace chiffrel {

namespace fs = std::filesystem;

namespace {

std::string CutToMaxLength(std::string_view text) {
    return std::string(text.substr(0, kProfileValueMaxLength));
}

// The file's text. Settings files are a few lines long: of a larger file, only the whole lines
// of its first kProfileFileMaxSize bytes count, so that no read takes more time or memory than
// that, however large the file.
std::optional<ProfileText> ReadProfileText(const fs::path& file) {
    std::optional<std::string> bytes = ReadRegularFile(file, kProfileFileMaxSize + 1);
    if (!bytes) {
        return std::nullopt;
    }
    const bool cut = bytes->size() > kProfileFileMaxSize;
    bytes->resize(std::min(bytes->size(), kProfileFileMaxSize));
    ProfileText text = DecodeProfile(std::move(*bytes));
    if (cut) {
        text.lines.resize(WholeLines(text.lines).size());
    }
    return text;
}

}  // namespace

ProfileWriteError::ProfileWriteError(const fs::path& file)
    : ProgramError("Ne peut écrire dans " + file.filename().string()) {}

std::string ReadProfileString(const fs::path& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue) {
    const std::optional<ProfileText> text = ReadProfileText(file);
    if (!text) {
        return CutToMaxLength(defaultValue);
    }
    const std::optional<std::string> value = FindValueInText(
        text->lines, ToProfileText(text->encoding, section), ToProfileText(text->encoding, key));
    return CutToMaxLength(value ? FromProfileText(text->encoding, WithoutEnclosingQuotes(*value))
                                : std::string(defaultValue));
}

void WriteProfileString(const fs::path& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    const auto withValue = [&](std::string bytes) {
        ProfileText text = DecodeProfile(std::move(bytes));
        const auto inFile = [&text](std::string_view programText) {
            return ToProfileText(text.encoding, programText);
        };
        text.lines = WithValue(std::move(text.lines), inFile(section), inFile(key),
                               inFile(StoredFormOf(value)));
        return EncodeProfile(text);
    };
    if (!ReplaceFileAtomically(file, withValue, kProfileFileMaxSize)) {
        throw ProfileWriteError(file);
    }
}

}  // namespace chiffrel
