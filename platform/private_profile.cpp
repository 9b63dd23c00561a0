#include "platform/private_profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>

#include "platform/profile_encoding.h"
#include "platform/regular_file.h"

namespace chiffrel {

namespace fs = std::filesystem;

namespace {

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

// ---- Reading --------------------------------------------------------------------------------

// Streams a file line by line, so that reading a large file needs no more memory than its
// longest line. A read error ends the file.
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

// Only the first section of that name counts: the search ends with it.
std::optional<std::string> FindValue(LineReader& lines, std::string_view section,
                                     std::string_view key) {
    std::string line;
    bool inSection = false;
    while (lines.Next(line)) {
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
        const ProfileLine parsed = ParseLine(text.substr(span.begin, span.contentEnd - span.begin));
        if (parsed.kind == LineKind::kSection || parsed.kind == LineKind::kBadHeader) {
            if (endOfSection) {
                break;
            }
            if (parsed.kind == LineKind::kSection && SameName(parsed.name, section)) {
                endOfSection = span.end;
            }
        } else if (endOfSection && parsed.kind == LineKind::kEntry) {
            if (SameName(parsed.name, key)) {
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

// ---- Reading a value ------------------------------------------------------------------------

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
        const std::string lines = DecodeProfile(std::move(bytes)).lines;
        const Placement place = FindPlacement(lines, section, key);
        if (place.kind != Placement::Kind::kReplaceValue) {
            return std::nullopt;
        }
        return lines.substr(place.at, place.length);
    }
    ::lseek(fd, static_cast<off_t>(ByteOrderMarkSize(encoding)), SEEK_SET);
    LineReader lines(fd);
    return FindValue(lines, section, key);
}

// ---- Where the file is ----------------------------------------------------------------------

fs::path DirectoryOf(const fs::path& file) {
    return file.parent_path().empty() ? "." : file.parent_path();
}

// The hidden file "." + the file's name + `suffix` beside it.
fs::path Beside(const fs::path& file, std::string_view suffix) {
    return DirectoryOf(file) / ("." + file.filename().string() + std::string(suffix));
}

// Writing through a symbolic link updates the file it points to and keeps the link, also when
// that file does not exist yet. A loop of links is left for the open to report.
fs::path WithoutSymbolicLinks(fs::path file) {
    constexpr int kMaxLinks = 40;
    for (int link = 0; link < kMaxLinks; ++link) {
        std::error_code notALink;
        const fs::path target = fs::read_symlink(file, notALink);
        if (notALink) {
            break;
        }
        file = target.is_absolute() ? target : file.parent_path() / target;
    }
    return file;
}

// ---- One writer at a time -------------------------------------------------------------------

constexpr auto kLockWaitLimit = std::chrono::seconds(5);
constexpr auto kLongestLockPause = std::chrono::milliseconds(8);

// Serialises the read-modify-write of a file across processes: flock() on a lock file beside
// it. The file itself is replaced at each write, its lock file never is, and it is never
// removed either: a writer still waiting on a removed lock file would lock what nobody else
// sees. An flock() lock belongs to its open file description, so that no other descriptor of
// the same file closed in the process releases it, and it goes when the process dies.
// Readers take no lock: they see the old file or the new one, whole.
class WriterLock {
  public:
    explicit WriterLock(const fs::path& target)
        : fd_(::open(Beside(target, ".lock").c_str(),
                     O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666)) {
        state_ = fd_.valid() ? Wait() : State::kUnavailable;
    }

    // Another writer kept the lock beyond the waiting limit.
    bool TimedOut() const { return state_ == State::kTimedOut; }
    // Where locks are not available, the write goes on without one, as it always did.
    bool Held() const { return state_ == State::kHeld; }

  private:
    enum class State { kHeld, kUnavailable, kTimedOut };

    // The wait is limited, so that a writer stopped while it holds the lock (a process
    // suspended or under a debugger) cannot freeze the program.
    State Wait() {
        const auto deadline = std::chrono::steady_clock::now() + kLockWaitLimit;
        std::chrono::milliseconds pause(1);
        while (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                return State::kUnavailable;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return State::kTimedOut;
            }
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(kLongestLockPause));
        }
        return State::kHeld;
    }

    UniqueFd fd_;
    State state_;
};

// ---- Replacing a file -----------------------------------------------------------------------

constexpr std::string_view kTemporaryInfix = ".tmp-";

bool IsNumber(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The temporary files of `target` are named ".NAME.tmp-<process>-<count>".
bool IsTemporaryName(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix)) {
        return false;
    }
    name.remove_prefix(prefix.size());
    const std::size_t dash = name.find('-');
    return dash != std::string_view::npos && IsNumber(name.substr(0, dash)) &&
           IsNumber(name.substr(dash + 1));
}

// Under the lock, every temporary file of the target is left over from a save that died: a
// save holds the lock for as long as its temporary file exists.
void RemoveOrphanedTemporaries(const fs::path& target) {
    const std::string prefix = Beside(target, kTemporaryInfix).filename().string();
    std::error_code error;
    for (fs::directory_iterator entry(DirectoryOf(target), error), end; !error && entry != end;
         entry.increment(error)) {
        if (IsTemporaryName(entry->path().filename().string(), prefix)) {
            ::unlink(entry->path().c_str());
        }
    }
}

void DoNothing(int) {}

// A write beyond the file-size limit (ulimit -f) raises SIGXFSZ, which ends the process unless
// it is caught; caught, the write fails like a write to a full disk. A handler rather than
// SIG_IGN, because an ignored signal stays ignored in the programs the process starts.
// A handler someone else installed, or a disposition inherited as ignored, stays as it is.
void CatchFileSizeSignal() {
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
        (current.sa_flags & SA_SIGINFO) != 0) {
        return;
    }
    struct sigaction caught {};
    caught.sa_handler = DoNothing;
    sigemptyset(&caught.sa_mask);
    caught.sa_flags = SA_RESTART;
    ::sigaction(SIGXFSZ, &caught, nullptr);
}

struct ExistingFile {
    std::string bytes;
    std::optional<struct stat> status;  // none when the file does not exist yet
};

// A file that exists but cannot be read fully must not be replaced by one built without it.
std::optional<ExistingFile> ReadExisting(const fs::path& file) {
    const UniqueFd fd = OpenWithoutBlocking(file);
    if (!fd.valid()) {
        return errno == ENOENT ? std::optional<ExistingFile>(ExistingFile{}) : std::nullopt;
    }
    const auto status = StatusOf(fd.get());
    if (!status || !S_ISREG(status->st_mode) || ::access(file.c_str(), W_OK) != 0) {
        return std::nullopt;
    }
    ExistingFile existing{{}, status};
    if (!ReadRest(fd.get(), existing.bytes)) {
        return std::nullopt;
    }
    return existing;
}

// A short write is followed by a write of the rest, which reports why the first one stopped.
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

// Owner and group go first, as changing them may clear the set-ID bits of the mode. Only the
// superuser may give a file away, and others only to one of their own groups: otherwise the
// new file keeps the writer's owner and group.
bool KeepOwnerAndMode(int fd, const struct stat& original) {
    if (::fchown(fd, original.st_uid, original.st_gid) != 0 && errno != EPERM && errno != EINVAL) {
        return false;
    }
    return ::fchmod(fd, original.st_mode & 07777) == 0;
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
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = Beside(target, std::string(kTemporaryInfix) + std::to_string(::getpid()) + "-" +
                                       std::to_string(++counter));
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

    // `original` is the status of the file being replaced, none for a new file.
    bool Write(std::string_view bytes, const std::optional<struct stat>& original) {
        return fd_.valid() && WriteAll(fd_.get(), bytes) &&
               (!original || KeepOwnerAndMode(fd_.get(), *original)) && ::fsync(fd_.get()) == 0;
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
    UniqueFd fd(::open(DirectoryOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) {
        ::fsync(fd.get());
    }
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
    const fs::path target = WithoutSymbolicLinks(file);
    CatchFileSizeSignal();
    const WriterLock lock(target);
    if (lock.TimedOut()) {
        throw ProfileWriteError(file);
    }
    if (lock.Held()) {
        RemoveOrphanedTemporaries(target);
    }
    std::optional<ExistingFile> existing = ReadExisting(target);
    if (!existing) {
        throw ProfileWriteError(file);
    }
    ProfileText text = DecodeProfile(std::move(existing->bytes));
    const auto inFile = [&text](std::string_view programText) {
        return ToProfileText(text.encoding, programText);
    };
    // Blanks around a value are never read back: writing them would only let them pile up
    // around the value at each rewrite of the line.
    text.lines = WithValue(std::move(text.lines), inFile(section), inFile(key),
                           inFile(Trimmed(FirstLineOf(value))));
    TemporaryFile temporary(target);
    if (!temporary.Write(EncodeProfile(text), existing->status) || !temporary.RenameOver(target)) {
        throw ProfileWriteError(file);
    }
    SyncDirectoryOf(target);
}

}  // namespace chiffrel
