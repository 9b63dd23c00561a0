#pragma once

#include <compare>
#include <string>

namespace chiffrel {

// A local date and time as the DOS date-time form holds it: years 1980 to 2107, seconds even.
struct DosDateTime {
    int year = 1980;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend auto operator<=>(const DosDateTime&, const DosDateTime&) = default;
};

// The last-write time of the file at `path` in local time, its seconds rounded down to an even
// number. A file that cannot be opened, or whose time lies outside the years the DOS form can
// hold, gives 1 January 1980 00:00:00.
DosDateTime FileDateOf(const std::string& path);

}  // namespace chiffrel
