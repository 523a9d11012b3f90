#include "core/net/PingProgram.h"

#include "core/common/Error.h"

#include <gtest/gtest.h>

using namespace cravent;
using namespace cravent::net;
using namespace std::chrono_literals;

TEST(PingProgram, ArgumentsAskForOneEchoWithTheTimeoutAndPayload)
{
    using Args = std::vector<std::string>;
    EXPECT_EQ(pingProgramArguments(IpFamily::V4, "127.0.0.1", "127.0.0.1", 5000ms),
              (Args{"-4", "-n", "-c", "1", "-W", "5.000", "-s", "9", "-p", "3132372e302e302e31",
                    "--", "127.0.0.1"}));
    EXPECT_EQ(pingProgramArguments(IpFamily::V6, "::1", "", 250ms),
              (Args{"-6", "-n", "-c", "1", "-W", "0.250", "-s", "0", "--", "::1"}));
    // ping takes at most 16 pattern bytes; the size still covers the whole text.
    const auto long_ = pingProgramArguments(IpFamily::V4, "127.0.0.1", "gateway.example.org", 0ms);
    EXPECT_EQ(long_[5], "0.001");
    EXPECT_EQ(long_[7], "19");
    EXPECT_EQ(long_[9], "676174657761792e6578616d706c652e");
}

TEST(PingProgram, ReadsTheAnswerFromItsOutput)
{
    struct Case {
        const char* what;
        int status;
        const char* output;
        std::size_t bytes;
        AnswerKind kind;
    } cases[] = {
        {"echo reply", 0,
         "PATTERN: 0x31\nPING 127.0.0.1 (127.0.0.1) 9(37) bytes of data.\n"
         "17 bytes from 127.0.0.1: icmp_seq=1 ttl=64\n\n--- 127.0.0.1 ping statistics ---\n",
         17, AnswerKind::EchoReply},
        {"IPv6 reply", 0, "PING ::1(::1) 56 data bytes\n64 bytes from ::1: icmp_seq=1 ttl=64\n", 64,
         AnswerKind::EchoReply},
        {"no answer", 1,
         "PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.\n\n--- 127.0.0.1 ping statistics ---\n"
         "1 packets transmitted, 0 received, 100% packet loss, time 0ms\n",
         0, AnswerKind::Unrelated},
        {"host unreachable", 1,
         "PING 10.1.1.9 (10.1.1.9) 56(84) bytes of data.\n"
         "From 10.1.1.1 icmp_seq=1 Destination Host Unreachable\n",
         45, AnswerKind::Unreachable},
        {"time to live exceeded", 1, "From 10.1.1.1 icmp_seq=1 Time to live exceeded\n", 45,
         AnswerKind::TimeExceeded},
        {"fragmentation needed", 1,
         "From 10.1.1.1 icmp_seq=1 Frag needed and DF set (mtu = 1400)\n", 45,
         AnswerKind::Unreachable},
        {"IPv6 no route", 1, "From fe80::1%eth0 icmp_seq=1 Destination unreachable: No route\n", 45,
         AnswerKind::Unreachable},
        {"IPv6 hop limit", 1, "From fe80::1%eth0 icmp_seq=1 Time exceeded: Hop limit\n", 45,
         AnswerKind::TimeExceeded},
        {"a redirect alone is no answer", 1,
         "From 10.1.1.1: icmp_seq=1 Redirect Host(New nexthop: 10.1.1.2)\n", 0,
         AnswerKind::Unrelated},
    };
    for (const Case& c : cases) {
        const PingProgramAnswer answer = readPingProgramOutput(c.status, c.output, 45);
        EXPECT_EQ(answer.bytes, c.bytes) << c.what;
        EXPECT_EQ(answer.kind, c.kind) << c.what;
    }
}

TEST(PingProgram, FailuresCarryPingsOwnWords)
{
    struct Case {
        int status;
        const char* output;
        const char* message;
    } cases[] = {
        {2, "ping: connect: Network is unreachable\n",
         "the ping program failed: ping: connect: Network is unreachable"},
        {0, "PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.\n",
         "the ping program reported an answer without its size"},
        {-1, "", "the ping program failed: ended abnormally"},
        {2, "PATTERN: 0x31\n", "the ping program failed: exit status 2"},
        {1, "From 10.1.1.1 icmp_seq=1 Parameter problem: pointer = 0\n",
         "unexpected ICMP answer: From 10.1.1.1 icmp_seq=1 Parameter problem: pointer = 0"},
    };
    for (const Case& c : cases) {
        try {
            readPingProgramOutput(c.status, c.output, 45);
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(PingProgram, RunsWithoutAShellAndStopsAtTheDeadline)
{
    // Shell syntax in an argument stays a plain argument.
    const ProgramRun echo = runPingProgram("echo", {"$(id)", ";", "exit 7"}, 5000ms);
    EXPECT_EQ(echo.exitStatus, 0);
    EXPECT_EQ(echo.output, "$(id) ; exit 7\n");

    const ProgramRun failing = runPingProgram("sh", {"-c", "echo oops >&2; exit 2"}, 5000ms);
    EXPECT_EQ(failing.exitStatus, 2);
    EXPECT_EQ(failing.output, "oops\n");

    EXPECT_THROW(runPingProgram("sleep", {"10"}, 100ms), Error);
    try {
        runPingProgram("/nonexistent/ping", {}, 1000ms);
        ADD_FAILURE() << "started a missing program";
    } catch (const Error& error) {
        EXPECT_STREQ(
            error.what(),
            "cannot start the ping program '/nonexistent/ping': No such file or directory");
    }
}
