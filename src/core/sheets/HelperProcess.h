#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace cravent::sheets {

#if defined(__SANITIZE_ADDRESS__)
#define CRAVENT_HELPER_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CRAVENT_HELPER_UNDER_ASAN 1
#endif
#endif

// Address space of a helper. A sanitizer build of the tree builds the helper with
// AddressSanitizer too, which reserves terabytes of address space for its shadow memory.
#ifdef CRAVENT_HELPER_UNDER_ASAN
inline constexpr std::uint64_t DefaultHelperMemory = 0;
#else
inline constexpr std::uint64_t DefaultHelperMemory = 512ull << 20;
#endif

// Limits for a helper program that parses untrusted input on our behalf.
struct HelperLimits {
    std::chrono::milliseconds timeout{10000};        // wall clock, then it is killed
    std::uint64_t memoryBytes = DefaultHelperMemory; // address space; 0: no limit
    std::size_t outputBytes = 64u << 20;             // more output than this: killed
};

// How a helper run ended. Exactly one of the flags, or a normal exit, describes it.
struct HelperRun {
    std::string output; // everything it wrote to standard output
    int startError = 0; // errno when it could not be started at all
    bool timedOut = false;
    bool outputTooLarge = false;
    int signal = 0;   // the signal that ended it, if one did
    int exitCode = 0; // its exit status after a normal exit
};

// Runs `program` with `arguments`, without a shell, and collects its standard output. Its
// standard input and error are /dev/null, it inherits no other descriptor of ours, its memory
// and CPU time are limited and it leaves no core file. Always waits for it to end, so no
// zombie outlives the call, whatever happened.
HelperRun runHelper(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const HelperLimits& limits);

} // namespace cravent::sheets
