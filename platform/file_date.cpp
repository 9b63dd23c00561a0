#include "platform/file_date.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <optional>

namespace chiffrel {

namespace {

constexpr int kFirstDosYear = 1980;
constexpr int kLastDosYear = 2107;

std::optional<std::time_t> LastWriteTime(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat status = {};
    const bool known = ::fstat(fd, &status) == 0;
    ::close(fd);
    if (!known) {
        return std::nullopt;
    }
    return status.st_mtime;
}

}  // namespace

DosDateTime FileDateOf(const std::string& path) {
    const auto written = LastWriteTime(path);
    if (!written) {
        return {};
    }
    std::tm local{};
    if (::localtime_r(&*written, &local) == nullptr) {
        return {};
    }
    const int year = local.tm_year + 1900;
    if (year < kFirstDosYear || year > kLastDosYear) {
        return {};
    }
    // A leap second (60) still fits the form's 2-second steps as 58.
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    return DosDateTime{year,          local.tm_mon + 1, local.tm_mday,
                       local.tm_hour, local.tm_min,     second - second % 2};
}

}  // namespace chiffrel
