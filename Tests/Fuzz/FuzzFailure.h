// How a fuzz target reports a broken promise: both texts whole, then a stop the fuzzer records.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// Reports the two texts whole (they may hold NUL bytes) and stops.
[[noreturn]] inline void fail(const char* what, const std::string& first,
                              const std::string& second) {
    std::fprintf(stderr, "%s\n--- first\n", what);
    std::fwrite(first.data(), 1, first.size(), stderr);
    std::fprintf(stderr, "\n--- second\n");
    std::fwrite(second.data(), 1, second.size(), stderr);
    std::fprintf(stderr, "\n");
    std::abort();
}
