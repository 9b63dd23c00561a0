#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <utility>

namespace chiffrel {

// A file descriptor, closed when it goes.
class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~UniqueFd();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now so that the caller sees the error a delayed write may report.
    bool close();

  private:
    int fd_;
};

// Opens a file for reading without ever waiting. A FIFO or a device put where a data file should
// be (by mistake, or by someone who may write in that directory) would hold a plain open() or
// read() for ever; this one opens at once, and IsRegularFile then tells it apart.
UniqueFd OpenWithoutBlocking(const std::filesystem::path& file);

std::optional<struct stat> StatusOf(int fd);
bool IsRegularFile(int fd);

// Appends what is left of the file to `bytes`, up to `maxBytes` in all; false on a read error.
bool ReadRest(int fd, std::string& bytes,
              std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

// The first `maxBytes` bytes of a regular file; nothing when the file is missing, cannot be
// read or is anything but a regular file.
std::optional<std::string> ReadRegularFile(
    const std::filesystem::path& file,
    std::size_t maxBytes = std::numeric_limits<std::size_t>::max());

}  // namespace chiffrel
