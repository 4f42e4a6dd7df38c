// What the fuzz targets share: failing loudly, so that libFuzzer (or the
// corpus replay in the normal test run) records the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qolt2wpt::fuzz {

[[noreturn]] inline void fail(const std::string& what) {
    std::fprintf(stderr, "FAULT: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace qolt2wpt::fuzz

// Fails with `what` unless `condition` holds; `what` is only built on failure,
// which keeps the targets fast.
#define QOLT2WPT_EXPECT(condition, what)                \
    do {                                                \
        if (!(condition)) ::qolt2wpt::fuzz::fail(what); \
    } while (false)
