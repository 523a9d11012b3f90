#pragma once

#include "core/net/EchoPacket.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cravent::net {

// The system's ping program (iputils), the last resort when this process may open no ICMP
// socket: ping carries the capability itself. It is given a numeric address only, never the
// user's text, and started without a shell.

// The arguments after the program name: one echo, numeric output, the timeout, the payload's
// size and (up to 16 bytes of) the payload as pattern, then the address after "--".
std::vector<std::string> pingProgramArguments(IpFamily family, std::string_view address,
                                              std::string_view payload,
                                              std::chrono::milliseconds timeout);

struct PingProgramAnswer {
    std::size_t bytes = 0; // 0: no answer in time
    AnswerKind kind = AnswerKind::Unrelated;
};

// Reads ping's exit status and its output (stdout and stderr together, C locale). Exit 0 with
// "N bytes from": an echo reply of N bytes. Exit 1 with a "From <router>" line: a destination-
// unreachable or time-exceeded message, whose size ping does not print, so `quotedSize` (the
// size such a message has when it quotes the whole request) stands for it; other ICMP errors
// throw Error. Exit 1 otherwise: no answer. Anything else throws Error with ping's own words.
PingProgramAnswer readPingProgramOutput(int exitStatus, std::string_view output,
                                        std::size_t quotedSize);

struct ProgramRun {
    int exitStatus = -1; // -1 when it did not end normally
    std::string output;
};

// Runs ping with `arguments` in the C locale, collecting stdout and stderr, and kills it when it
// outlives `deadline`. Throws Error when it cannot be started or does not end in time.
ProgramRun runPingProgram(const std::string& program, const std::vector<std::string>& arguments,
                          std::chrono::milliseconds deadline);

} // namespace cravent::net
