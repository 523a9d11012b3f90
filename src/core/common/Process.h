#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cravent::process {

// The one way this program starts another: never through a shell, so the arguments reach the
// program as they are, and the child inherits none of our descriptors but its standard streams.

struct Command {
    std::filesystem::path program; // a bare name is looked up in PATH, as a shell would
    std::vector<std::string> arguments;
    std::optional<std::vector<std::string>> environment; // "NAME=value" entries; nothing: ours
    std::filesystem::path workingFolder;                 // empty: ours
};

// Limits for a program that may hang, flood us or parse untrusted input on our behalf.
struct RunLimits {
    std::chrono::milliseconds timeout{10000}; // wall clock, then it is killed; CPU time too
    std::uint64_t memoryBytes = 0;            // address space; 0: no limit
    std::size_t outputBytes = 64u << 20;      // more output than this: killed
};

// Where the child's standard error goes.
enum class ErrorOutput { Discarded, Collected };

// How a run ended. Exactly one of the flags, or a normal exit, describes it.
struct RunResult {
    std::string output; // everything it wrote to standard output (and error, when collected)
    int startError = 0; // errno when it could not be started at all
    bool timedOut = false;
    bool outputTooLarge = false;
    int signal = 0;   // the signal that ended it, if one did
    int exitCode = 0; // its exit status after a normal exit
};

// Runs the command and collects its output. Its standard input is /dev/null, its memory and
// CPU time are limited and it leaves no core file. Always waits for it to end, so no zombie
// outlives the call, whatever happened.
RunResult runAndCollect(const Command& command, const RunLimits& limits,
                        ErrorOutput errors = ErrorOutput::Discarded);

// Starts the command in a session of its own and does not wait for it: it outlives this
// process and is nobody's zombie. It keeps our standard streams. Returns 0, or the errno of
// the step that failed (the working folder, the program).
int startDetached(const Command& command);

} // namespace cravent::process
