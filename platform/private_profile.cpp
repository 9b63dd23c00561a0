#include "platform/private_profile.h"

#include <unistd.h>

#include <cstring>
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

// A file's lines, read one at a time. A read error ends the file.
class LineReader {
  public:
    explicit LineReader(int fd) : fd_(fd) {}

    // The next line, without its "\n"; false at the end of the file.
    bool Next(std::string& line) {
        line.clear();
        bool any = false;
        while (Fill()) {
            any = true;
            const char* begin = buffer_.data() + pos_;
            const auto* newline = static_cast<const char*>(std::memchr(begin, '\n', size_ - pos_));
            const std::size_t length =
                newline ? static_cast<std::size_t>(newline - begin) : size_ - pos_;
            line.append(begin, length);
            pos_ += length;
            if (newline) {
                ++pos_;
                return true;
            }
        }
        return any;
    }

  private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    bool Fill() {
        if (pos_ < size_) {
            return true;
        }
        buffer_.clear();
        ReadRest(fd_, buffer_, kBufferSize);
        pos_ = 0;
        size_ = buffer_.size();
        return size_ > 0;
    }

    int fd_;
    std::string buffer_;
    std::size_t pos_ = 0;
    std::size_t size_ = 0;
};

ProfileEncoding EncodingOf(int fd) {
    char firstBytes[3];
    const ssize_t n = ::pread(fd, firstBytes, sizeof firstBytes, 0);
    return EncodingDeclaredBy(
        std::string_view(firstBytes, n > 0 ? static_cast<std::size_t>(n) : 0));
}

// UTF-16 files are read whole to be decoded; the others are read line by line.
std::optional<std::string> FindValueInFile(int fd, ProfileEncoding encoding,
                                           std::string_view section, std::string_view key) {
    if (encoding == ProfileEncoding::kUtf16) {
        std::string bytes;
        ReadRest(fd, bytes);
        return FindValueInText(DecodeProfile(std::move(bytes)).lines, section, key);
    }
    ::lseek(fd, static_cast<off_t>(ByteOrderMarkSize(encoding)), SEEK_SET);
    LineReader lines(fd);
    return FindValueInLines([&lines](std::string& line) { return lines.Next(line); }, section, key);
}

}  // namespace

ProfileWriteError::ProfileWriteError(const fs::path& file)
    : ProgramError("Ne peut écrire dans " + file.filename().string()) {}

std::string ReadProfileString(const fs::path& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue) {
    const UniqueFd fd = OpenWithoutBlocking(file);
    if (!fd.valid() || !IsRegularFile(fd.get())) {
        return CutToMaxLength(defaultValue);
    }
    const ProfileEncoding encoding = EncodingOf(fd.get());
    const std::optional<std::string> value = FindValueInFile(
        fd.get(), encoding, ToProfileText(encoding, section), ToProfileText(encoding, key));
    return CutToMaxLength(value ? FromProfileText(encoding, WithoutEnclosingQuotes(*value))
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
    if (!ReplaceFileAtomically(file, withValue)) {
        throw ProfileWriteError(file);
    }
}

}  // namespace chiffrel
