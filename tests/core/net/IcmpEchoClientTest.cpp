#include "core/net/IcmpEchoClient.h"

#include "core/common/Error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sched.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace cravent;
using namespace cravent::net;
using namespace std::chrono_literals;

namespace {

constexpr auto ShortTimeout = 300ms;

bool canOpen(int type)
{
    const int fd = ::socket(AF_INET, type, IPPROTO_ICMP);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

void expectError(IcmpEchoClient& client, const std::string& host, const std::string& start)
{
    client.setHost(host);
    try {
        client.ping(host);
        ADD_FAILURE() << "'" << host << "' gave no error";
    } catch (const Error& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with(start)) << error.what();
    }
}

// A ping run in a child process inside a network namespace of its own, where nothing but the
// loopback exists: nothing a test does there reaches a real network.
struct Scenario {
    const char* what;
    std::string host = "127.0.0.1";
    bool echoIgnored = false;   // net.ipv4.icmp_echo_ignore_all (and its IPv6 twin)
    bool pingGroupOpen = false; // net.ipv4.ping_group_range admits every group, or "1 0"
    bool asNobody = false;      // run the echo as user nobody, without capabilities
    // 10.9.0.0/24 on one end of a veth pair whose other end answers nobody: the kernel reports
    // 10.9.0.2 unreachable once its address lookup fails.
    bool deadNeighbour = false;
};

struct Outcome {
    std::string skipped; // why the scenario could not be set up here
    std::string error;
    std::size_t bytes = 0;
    EchoMethod method = EchoMethod::DatagramSocket;
};

bool writeFile(const char* path, const std::string& text)
{
    std::ofstream out(path);
    out << text;
    out.flush();
    return static_cast<bool>(out);
}

bool loopbackUp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    bool ok = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    ok = ok && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    ::close(fd);
    return ok;
}

// Runs in the child; the returned line goes to the parent.
std::string scenarioChild(const Scenario& s)
{
    const bool root = ::geteuid() == 0;
    if (s.asNobody && !root)
        return "S switching to user nobody needs root";
    bool ownUserNamespace = false;
    if (::unshare(CLONE_NEWNET) != 0) {
        const int first = errno;
        const std::string uid = std::to_string(::getuid());
        const std::string gid = std::to_string(::getgid());
        if (root || ::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0)
            return std::string("S network namespaces are not allowed here: ") +
                   std::strerror(first);
        ownUserNamespace = true;
        writeFile("/proc/self/setgroups", "deny");
        writeFile("/proc/self/uid_map", "0 " + uid + " 1");
        writeFile("/proc/self/gid_map", "0 " + gid + " 1");
    }
    if (!loopbackUp())
        return std::string("S cannot bring the loopback up: ") + std::strerror(errno);
    const std::string ignore = s.echoIgnored ? "1" : "0";
    const std::string range = !s.pingGroupOpen ? "1 0" : ownUserNamespace ? "0 0" : "0 2147483647";
    if (!writeFile("/proc/sys/net/ipv4/icmp_echo_ignore_all", ignore) ||
        !writeFile("/proc/sys/net/ipv4/ping_group_range", range))
        return "S cannot set the namespace's sysctls";
    writeFile("/proc/sys/net/ipv6/icmp/echo_ignore_all", ignore);
    if (s.deadNeighbour &&
        std::system("ip link add v0 type veth peer name v1 && ip link set v0 up && "
                    "ip link set v1 up && ip addr add 10.9.0.1/24 dev v0 && "
                    "sysctl -qw net.ipv4.neigh.v0.mcast_solicit=1 "
                    "net.ipv4.neigh.v0.retrans_time_ms=50") != 0)
        return "S cannot make a veth pair in the namespace";
    if (s.asNobody) {
        const passwd* nobody = ::getpwnam("nobody");
        if (nobody == nullptr)
            return "S there is no user nobody";
        if (::setgroups(0, nullptr) != 0 ||
            ::setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) != 0 ||
            ::setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid) != 0)
            return std::string("S cannot become nobody: ") + std::strerror(errno);
    }
    try {
        IcmpEchoClient client;
        client.setHost(s.host);
        client.setReceiveTimeout(ShortTimeout);
        const EchoReply reply = client.ping(s.host);
        return "R " + std::to_string(reply.bytesReceived) + " " +
               std::to_string(static_cast<int>(reply.method));
    } catch (const Error& error) {
        return std::string("E ") + error.what();
    }
}

Outcome runInNamespace(const Scenario& s)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {"cannot make a pipe", "", 0, EchoMethod::DatagramSocket};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const std::string line = scenarioChild(s);
        [[maybe_unused]] const auto written = ::write(fds[1], line.data(), line.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string line;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        line.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);

    Outcome outcome;
    if (line.size() < 2) {
        outcome.error = "the child reported nothing (status " + std::to_string(status) + ")";
        return outcome;
    }
    const std::string rest = line.substr(2);
    if (line[0] == 'S') {
        outcome.skipped = rest;
    } else if (line[0] == 'E') {
        outcome.error = rest;
    } else {
        std::istringstream in(rest);
        int method = 0;
        in >> outcome.bytes >> method;
        outcome.method = static_cast<EchoMethod>(method);
    }
    return outcome;
}

} // namespace

TEST(IcmpEchoClient, LoopbackAnswersThroughEveryWayThisProcessMayUse)
{
    std::vector<EchoMethod> methods{EchoMethod::PingProgram};
    if (canOpen(SOCK_DGRAM))
        methods.push_back(EchoMethod::DatagramSocket);
    if (canOpen(SOCK_RAW))
        methods.push_back(EchoMethod::RawSocket);
    for (const EchoMethod method : methods) {
        for (const char* host : {"127.0.0.1", "127.3.2.1", "localhost"}) {
            IcmpEchoClient client;
            client.setMethods({method});
            client.setReceiveTimeout(2000ms);
            client.setHost(host);
            const std::string payload = "payload for " + std::string(host);
            // Twice: the second request must not be taken for the first.
            for (int round = 0; round < 2; ++round) {
                const EchoReply reply = client.ping(payload);
                EXPECT_EQ(reply.bytesReceived, 8 + payload.size()) << methodName(method) << host;
                EXPECT_EQ(reply.kind, AnswerKind::EchoReply);
                EXPECT_EQ(reply.method, method);
            }
        }
    }
}

TEST(IcmpEchoClient, TextsThatAreNoReachableHostAreErrors)
{
    IcmpEchoClient client;
    client.setReceiveTimeout(ShortTimeout);
    expectError(client, "", "no host given");
    expectError(client, "bad host!", "cannot resolve host 'bad host!': ");
    expectError(client, "-c1", "'-c1' is not a host name or address");
    expectError(client, "--help", "'--help' is not a host name or address");
}

TEST(IcmpEchoClient, NoWayToSendIsAnErrorNamingEveryRefusal)
{
    IcmpEchoClient client;
    client.setMethods({EchoMethod::PingProgram});
    client.setPingProgram("/nonexistent/ping");
    expectError(client, "127.0.0.1",
                "cannot open an ICMP socket (cannot start the ping program '/nonexistent/ping': "
                "No such file or directory)");
}

TEST(IcmpEchoClient, InANetworkNamespaceForEachUserAndSocket)
{
    using enum EchoMethod;
    const struct {
        Scenario scenario;
        std::size_t bytes;
        EchoMethod method;
    } cases[] = {
        {{.what = "root: raw socket, answered"}, 17, RawSocket},
        {{.what = "root: raw socket, ignored", .echoIgnored = true}, 0, RawSocket},
        {{.what = "root: IPv6 raw socket, answered", .host = "::1"}, 11, RawSocket},
        {{.what = "nobody, range open: datagram socket, answered",
          .pingGroupOpen = true,
          .asNobody = true},
         17,
         DatagramSocket},
        {{.what = "nobody, range open: datagram socket, ignored",
          .echoIgnored = true,
          .pingGroupOpen = true,
          .asNobody = true},
         0,
         DatagramSocket},
        {{.what = "nobody, range closed: ping program, answered", .asNobody = true},
         17,
         PingProgram},
        {{.what = "nobody, range closed: ping program, ignored",
          .echoIgnored = true,
          .asNobody = true},
         0,
         PingProgram},
        {{.what = "nobody, IPv6 datagram socket, answered",
          .host = "::1",
          .pingGroupOpen = true,
          .asNobody = true},
         11,
         DatagramSocket},
        {{.what = "nobody, IPv6 ping program, ignored",
          .host = "::1",
          .echoIgnored = true,
          .asNobody = true},
         0,
         PingProgram},
        // The host-unreachable message quotes the request's IP header and the whole request.
        {{.what = "root: raw socket, unreachable", .host = "10.9.0.2", .deadNeighbour = true},
         44,
         RawSocket},
        {{.what = "nobody: datagram socket, unreachable",
          .host = "10.9.0.2",
          .pingGroupOpen = true,
          .asNobody = true,
          .deadNeighbour = true},
         44,
         DatagramSocket},
        {{.what = "nobody: ping program, unreachable",
          .host = "10.9.0.2",
          .asNobody = true,
          .deadNeighbour = true},
         44,
         PingProgram},
    };
    std::string skipped;
    for (const auto& c : cases) {
        const Scenario& s = c.scenario;
        const Outcome outcome = runInNamespace(s);
        if (!outcome.skipped.empty()) {
            skipped += std::string(s.what) + ": " + outcome.skipped + "\n";
            continue;
        }
        EXPECT_EQ(outcome.error, "") << s.what;
        EXPECT_EQ(outcome.bytes, c.bytes) << s.what;
        EXPECT_EQ(outcome.method, c.method) << s.what;
    }
    if (!skipped.empty())
        GTEST_SKIP() << "skipped where this machine does not allow it:\n" << skipped;
}

TEST(IcmpEchoClient, UnresolvableHostNameIsAnError)
{
    // Inside the namespace no name server is reachable, so the lookup fails without traffic.
    const Outcome outcome =
        runInNamespace({.what = "unresolvable", .host = "no-such-host.invalid"});
    if (!outcome.skipped.empty())
        GTEST_SKIP() << outcome.skipped;
    EXPECT_TRUE(outcome.error.starts_with("cannot resolve host 'no-such-host.invalid': "))
        << outcome.error;
}
