#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

namespace chiffrel::testing_support {

// Sets the file's last-write (and access) time to this local date and time.
inline bool SetLocalWriteTime(const std::string& path, int year, int month, int day, int hour,
                              int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const std::time_t time = std::mktime(&local);
    const timespec times[2] = {{time, 0}, {time, 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace chiffrel::testing_support
