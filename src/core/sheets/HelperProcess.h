#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace cravent::sheets {

// Limits for a helper program that parses untrusted input on our behalf.
struct HelperLimits {
    std::chrono::milliseconds timeout{10000};      // wall clock, then it is killed
    std::uint64_t memoryBytes = 512ull << 20;      // address space of the helper
    std::size_t outputBytes = 64u << 20;           // more output than this: killed
};

// How a helper run ended. Exactly one of the flags, or a normal exit, describes it.
struct HelperRun {
    std::string output;        // everything it wrote to standard output
    int startError = 0;        // errno when it could not be started at all
    bool timedOut = false;
    bool outputTooLarge = false;
    int signal = 0;            // the signal that ended it, if one did
    int exitCode = 0;          // its exit status after a normal exit
};

// Runs `program` with `arguments`, without a shell, and collects its standard output. Its
// standard input and error are /dev/null, it inherits no other descriptor of ours, its memory
// and CPU time are limited and it leaves no core file. Always waits for it to end, so no
// zombie outlives the call, whatever happened.
HelperRun runHelper(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const HelperLimits& limits);

} // namespace cravent::sheets
