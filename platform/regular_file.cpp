#include "platform/regular_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

namespace chiffrel {

namespace {

ssize_t ReadSome(int fd, char* buffer, std::size_t size) {
    ssize_t n;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

}  // namespace

UniqueFd::~UniqueFd() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool UniqueFd::close() {
    return ::close(std::exchange(fd_, -1)) == 0;
}

UniqueFd OpenWithoutBlocking(const std::filesystem::path& file) {
    int fd;
    do {
        fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    return UniqueFd(fd);
}

std::optional<struct stat> StatusOf(int fd) {
    struct stat status = {};
    if (::fstat(fd, &status) != 0) {
        return std::nullopt;
    }
    return status;
}

bool IsRegularFile(int fd) {
    const auto status = StatusOf(fd);
    return status && S_ISREG(status->st_mode);
}

bool ReadRest(int fd, std::string& bytes, std::size_t maxBytes) {
    std::vector<char> buffer(64 * 1024);
    while (bytes.size() < maxBytes) {
        const ssize_t n =
            ReadSome(fd, buffer.data(), std::min(buffer.size(), maxBytes - bytes.size()));
        if (n <= 0) {
            return n == 0;
        }
        bytes.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return true;
}

std::optional<std::string> ReadRegularFile(const std::filesystem::path& file,
                                           std::size_t maxBytes) {
    const UniqueFd fd = OpenWithoutBlocking(file);
    const auto status = fd.valid() ? StatusOf(fd.get()) : std::nullopt;
    if (!status || !S_ISREG(status->st_mode)) {
        return std::nullopt;
    }
    // One allocation of the right size: growing a string of a megabyte step by step costs
    // several times as much as reading it.
    std::string bytes;
    bytes.reserve(std::min(static_cast<std::uintmax_t>(status->st_size), std::uintmax_t{maxBytes}));
    if (!ReadRest(fd.get(), bytes, maxBytes)) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace chiffrel
