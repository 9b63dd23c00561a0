#include "platform/private_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace chiffrel {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// ---- One line of the file -------------------------------------------------------------------

// A carriage return counts as a blank, so the CR of a CRLF line end needs no handling of its own.
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

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
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

// `line` holds neither its line end nor the byte-order mark of the file.
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

std::string_view WithoutByteOrderMark(std::string_view firstLine) {
    if (firstLine.starts_with(kByteOrderMark)) {
        firstLine.remove_prefix(kByteOrderMark.size());
    }
    return firstLine;
}

std::string_view WithoutEnclosingQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string CutToMaxLength(std::string_view text) {
    return std::string(text.substr(0, kProfileValueMaxLength));
}

// ---- File descriptors -----------------------------------------------------------------------

class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~UniqueFd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now so that the caller sees the error a delayed write may report.
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

  private:
    int fd_;
};

// O_NONBLOCK keeps a FIFO placed at the path from blocking the open.
UniqueFd OpenForReading(const fs::path& file) {
    int fd;
    do {
        fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    return UniqueFd(fd);
}

std::optional<struct stat> StatusOf(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        return std::nullopt;
    }
    return status;
}

bool IsRegularFile(int fd) {
    const auto status = StatusOf(fd);
    return status && S_ISREG(status->st_mode);
}

// Fills `buffer` from the file; returns the byte count, 0 at the end, -1 on an error.
ssize_t ReadSome(int fd, char* buffer, std::size_t size) {
    ssize_t n;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

// Streams a file line by line, so that reading a large file needs no more memory than its
// longest line. A read error ends the file.
class LineReader {
  public:
    explicit LineReader(int fd) : fd_(fd), buffer_(kBufferSize) {}

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
        const ssize_t n = ReadSome(fd_, buffer_.data(), buffer_.size());
        pos_ = 0;
        size_ = n > 0 ? static_cast<std::size_t>(n) : 0;
        return size_ > 0;
    }

    int fd_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t size_ = 0;
};

// ---- Reading --------------------------------------------------------------------------------

// Only the first section of that name counts: the search ends with it.
std::optional<std::string> FindValue(LineReader& lines, std::string_view section,
                                     std::string_view key) {
    std::string raw;
    bool firstLine = true;
    bool inSection = false;
    while (lines.Next(raw)) {
        std::string_view line = raw;
        if (std::exchange(firstLine, false)) {
            line = WithoutByteOrderMark(line);
        }
        const ProfileLine parsed = ParseLine(line);
        if (parsed.kind == LineKind::kSection || parsed.kind == LineKind::kBadHeader) {
            if (inSection) {
                return std::nullopt;
            }
            inSection = parsed.kind == LineKind::kSection && SameName(parsed.name, section);
        } else if (inSection && parsed.kind == LineKind::kEntry && SameName(parsed.name, key)) {
            return std::string(line.substr(parsed.valueBegin, parsed.valueEnd - parsed.valueBegin));
        }
    }
    return std::nullopt;
}

// ---- Changing the text of a file ------------------------------------------------------------

// One line of a file's text: [begin, contentEnd) without its "\n", [begin, end) with it.
struct LineSpan {
    std::size_t begin;
    std::size_t contentEnd;
    std::size_t end;
};

LineSpan LineAt(std::string_view text, std::size_t begin) {
    const std::size_t newline = text.find('\n', begin);
    if (newline == std::string_view::npos) {
        return {begin, text.size(), text.size()};
    }
    return {begin, newline, newline + 1};
}

// New lines follow the file's own convention, read from its first line end.
std::string_view LineEndOf(std::string_view text) {
    const std::size_t newline = text.find('\n');
    return newline != std::string_view::npos && newline > 0 && text[newline - 1] == '\r' ? "\r\n"
                                                                                         : "\n";
}

// Inserts whole lines at a line boundary, ending an unterminated last line first.
void InsertLines(std::string& text, std::size_t at, std::string lines) {
    if (at == text.size() && !text.empty() && !text.ends_with('\n')) {
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
    std::optional<std::size_t> endOfSection;
    for (std::size_t pos = 0; pos < text.size();) {
        const LineSpan span = LineAt(text, pos);
        pos = span.end;
        const std::size_t begin = span.begin == 0 && text.starts_with(kByteOrderMark)
                                      ? kByteOrderMark.size()
                                      : span.begin;
        const ProfileLine parsed = ParseLine(text.substr(begin, span.contentEnd - begin));
        if (parsed.kind == LineKind::kSection || parsed.kind == LineKind::kBadHeader) {
            if (endOfSection) {
                break;
            }
            if (parsed.kind == LineKind::kSection && SameName(parsed.name, section)) {
                endOfSection = span.end;
            }
        } else if (endOfSection && parsed.kind == LineKind::kEntry) {
            if (SameName(parsed.name, key)) {
                return {Placement::Kind::kReplaceValue, begin + parsed.valueBegin,
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

// Only the value changes, or whole lines are added: every other byte stays.
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

std::string_view FirstLineOf(std::string_view value) {
    return value.substr(0, value.find_first_of("\r\n"));
}

// ---- Replacing a file -----------------------------------------------------------------------

struct ExistingFile {
    std::string text;
    std::optional<mode_t> permissions;  // none when the file does not exist yet
};

bool ReadAll(int fd, std::string& text) {
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t n = ReadSome(fd, buffer.data(), buffer.size());
        if (n <= 0) {
            return n == 0;
        }
        text.append(buffer.data(), static_cast<std::size_t>(n));
    }
}

// A file that exists but cannot be read fully must not be replaced by one built without it.
std::optional<ExistingFile> ReadExisting(const fs::path& file) {
    UniqueFd fd = OpenForReading(file);
    if (!fd.valid()) {
        return errno == ENOENT ? std::optional<ExistingFile>(ExistingFile{}) : std::nullopt;
    }
    const auto status = StatusOf(fd.get());
    if (!status || !S_ISREG(status->st_mode) || ::access(file.c_str(), W_OK) != 0) {
        return std::nullopt;
    }
    ExistingFile existing{{}, status->st_mode & 07777};
    if (!ReadAll(fd.get(), existing.text)) {
        return std::nullopt;
    }
    return existing;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

UniqueFd CreateExclusively(const fs::path& path) {
    // 0666 lets the umask decide the permissions of a file that is new.
    return UniqueFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
}

// A temporary file beside the target, so that the final rename stays within one file system.
// It is removed unless it was renamed over the target.
class TemporaryFile {
  public:
    explicit TemporaryFile(const fs::path& target) {
        static unsigned counter = 0;
        const fs::path directory = target.parent_path().empty() ? "." : target.parent_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = directory / ("." + target.filename().string() + ".tmp-" +
                                 std::to_string(::getpid()) + "-" + std::to_string(++counter));
            fd_ = CreateExclusively(path_);
            created_ = fd_.valid();
            if (created_ || errno != EEXIST) {
                break;
            }
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (created_ && !renamed_) {
            ::unlink(path_.c_str());
        }
    }

    bool Write(std::string_view bytes, std::optional<mode_t> permissions) {
        return fd_.valid() && WriteAll(fd_.get(), bytes) &&
               (!permissions || ::fchmod(fd_.get(), *permissions) == 0) && ::fsync(fd_.get()) == 0;
    }

    bool RenameOver(const fs::path& target) {
        renamed_ = fd_.close() && ::rename(path_.c_str(), target.c_str()) == 0;
        return renamed_;
    }

  private:
    fs::path path_;
    UniqueFd fd_{-1};
    bool created_ = false;
    bool renamed_ = false;
};

// Makes the rename itself durable. The new file is already complete and in place, so a
// failure here is not a failed write.
void SyncDirectoryOf(const fs::path& file) {
    const fs::path directory = file.parent_path().empty() ? "." : file.parent_path();
    UniqueFd fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) {
        ::fsync(fd.get());
    }
}

// Writing through a symbolic link updates the file it points to and keeps the link.
fs::path WithoutSymbolicLinks(const fs::path& file) {
    std::error_code error;
    if (fs::is_symlink(file, error)) {
        fs::path target = fs::canonical(file, error);
        if (!error) {
            return target;
        }
    }
    return file;
}

}  // namespace

ProfileWriteError::ProfileWriteError(const fs::path& file)
    : ProgramError("Ne peut écrire dans " + file.filename().string()) {}

std::string ReadProfileString(const fs::path& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue) {
    UniqueFd fd = OpenForReading(file);
    if (!fd.valid() || !IsRegularFile(fd.get())) {
        return CutToMaxLength(defaultValue);
    }
    LineReader lines(fd.get());
    const std::optional<std::string> value = FindValue(lines, section, key);
    return CutToMaxLength(value ? WithoutEnclosingQuotes(*value) : defaultValue);
}

void WriteProfileString(const fs::path& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    const fs::path target = WithoutSymbolicLinks(file);
    std::optional<ExistingFile> existing = ReadExisting(target);
    if (!existing) {
        throw ProfileWriteError(file);
    }
    // Blanks around a value are never read back: writing them would only let them pile up
    // around the value at each rewrite of the line.
    const std::string text =
        WithValue(std::move(existing->text), section, key, Trimmed(FirstLineOf(value)));
    TemporaryFile temporary(target);
    if (!temporary.Write(text, existing->permissions) || !temporary.RenameOver(target)) {
        throw ProfileWriteError(file);
    }
    SyncDirectoryOf(target);
}

}  // namespace chiffrel
