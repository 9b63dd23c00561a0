#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace chiffrel::fuzz {

// A broken property stops the run like a crash, so that libFuzzer keeps the input that broke it.
[[noreturn]] inline void Fail(const char* property, std::string_view detail) {
    std::fprintf(stderr, "\nProperty broken: %s\n  %.*s\n", property,
                 static_cast<int>(detail.size()), detail.data());
    std::abort();
}

inline void Require(bool holds, const char* property, std::string_view detail = {}) {
    if (!holds) {
        Fail(property, detail);
    }
}

}  // namespace chiffrel::fuzz
