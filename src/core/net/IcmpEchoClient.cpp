#include "core/net/IcmpEchoClient.h"

#include "core/common/Descriptor.h"
#include "core/common/Error.h"
#include "core/net/PingProgram.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/errqueue.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace cravent::net {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t IcmpHeaderSize = 8;
// Beyond its own timeout, the ping program gets this long to start and report.
constexpr std::chrono::milliseconds PingProgramGrace{3000};

struct Target {
    IpFamily family;
    sockaddr_storage address{};
    socklen_t length = 0;
    std::string numeric;
};

std::string systemReason(int error)
{
    return std::strerror(error);
}

Target resolve(const std::string& host)
{
    if (host.empty())
        throw Error("no host given");
    // Nothing that starts like an option reaches the resolver or the ping program.
    if (host.front() == '-')
        throw Error("'" + host + "' is not a host name or address");

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (result != 0) {
        const std::string reason =
            result == EAI_SYSTEM ? systemReason(errno) : std::string(::gai_strerror(result));
        throw Error("cannot resolve host '" + host + "': " + reason);
    }
    const addrinfo* pick = nullptr;
    for (const addrinfo* a = found; a != nullptr && pick == nullptr; a = a->ai_next)
        if (a->ai_family == AF_INET)
            pick = a;
    for (const addrinfo* a = found; a != nullptr && pick == nullptr; a = a->ai_next)
        if (a->ai_family == AF_INET6)
            pick = a;
    if (pick == nullptr) {
        ::freeaddrinfo(found);
        throw Error("cannot resolve host '" + host + "': no IPv4 or IPv6 address");
    }
    Target target;
    target.family = pick->ai_family == AF_INET ? IpFamily::V4 : IpFamily::V6;
    std::memcpy(&target.address, pick->ai_addr, pick->ai_addrlen);
    target.length = pick->ai_addrlen;
    ::freeaddrinfo(found);

    char numeric[NI_MAXHOST];
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&target.address), target.length, numeric,
                      sizeof numeric, nullptr, 0, NI_NUMERICHOST) != 0)
        throw Error("cannot resolve host '" + host + "'");
    target.numeric = numeric;
    return target;
}

// The size of an ICMP error message that quotes the whole request behind its IP header: what
// stands for the message where the kernel or ping keeps the quote but not the message's size.
std::size_t quotedErrorSize(IpFamily family, std::size_t payloadSize)
{
    return IcmpHeaderSize + (family == IpFamily::V4 ? 20 : 40) + IcmpHeaderSize + payloadSize;
}

int remainingMs(Clock::time_point deadline)
{
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

// An ICMP error about the request, as a datagram socket hands it over on its error queue.
// Returns nothing when the queued error is not about this request.
std::optional<Answer> readQueuedError(int fd, const EchoRequest& request)
{
    std::uint8_t original[1024];
    alignas(cmsghdr) char control[512];
    sockaddr_storage from{};
    iovec iov{original, sizeof original};
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
    if (n < 0)
        throw Error("receiving from the ICMP socket failed: " + systemReason(errno));

    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        const bool v4 = c->cmsg_level == SOL_IP && c->cmsg_type == IP_RECVERR;
        const bool v6 = c->cmsg_level == SOL_IPV6 && c->cmsg_type == IPV6_RECVERR;
        if (!v4 && !v6)
            continue;
        sock_extended_err error;
        std::memcpy(&error, CMSG_DATA(c), sizeof error);
        if (error.ee_origin != SO_EE_ORIGIN_ICMP && error.ee_origin != SO_EE_ORIGIN_ICMP6)
            throw Error("the ICMP socket failed: " +
                        systemReason(static_cast<int>(error.ee_errno)));
        if (!isOurRequest({original, static_cast<std::size_t>(n)}, request, false))
            return std::nullopt;
        const bool isV4 = error.ee_origin == SO_EE_ORIGIN_ICMP;
        const int unreachable = isV4 ? 3 : 1;
        const int timeExceeded = isV4 ? 11 : 3;
        const std::size_t size = quotedErrorSize(request.family, request.payload.size());
        if (error.ee_type == unreachable)
            return Answer{AnswerKind::Unreachable, error.ee_type, size};
        if (error.ee_type == timeExceeded)
            return Answer{AnswerKind::TimeExceeded, error.ee_type, size};
        throw Error("unexpected ICMP answer of type " + std::to_string(error.ee_type) + " (code " +
                    std::to_string(error.ee_code) + ")");
    }
    return std::nullopt;
}

// Sends the request on an open socket and waits for its answer until the deadline.
Answer exchange(int fd, bool datagram, const Target& target, const EchoRequest& request,
                Clock::time_point deadline)
{
    if (datagram) {
        const int on = 1;
        if (target.family == IpFamily::V4)
            ::setsockopt(fd, SOL_IP, IP_RECVERR, &on, sizeof on);
        else
            ::setsockopt(fd, SOL_IPV6, IPV6_RECVERR, &on, sizeof on);
    }
    const auto packet = encodeEchoRequest(request);
    if (::sendto(fd, packet.data(), packet.size(), 0,
                 reinterpret_cast<const sockaddr*>(&target.address), target.length) < 0)
        throw Error("cannot send the echo request to " + target.numeric + ": " +
                    systemReason(errno));

    const ReceivedForm form{!datagram && target.family == IpFamily::V4, !datagram};
    std::vector<std::uint8_t> buffer(65536);
    for (;;) {
        const int wait = remainingMs(deadline);
        if (wait == 0)
            return {};
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, wait);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            throw Error("waiting for the answer failed: " + systemReason(errno));
        }
        if (ready == 0)
            return {};
        if ((pfd.revents & POLLERR) != 0) {
            if (datagram) {
                if (const auto answer = readQueuedError(fd, request))
                    return *answer;
                continue;
            }
            // A raw socket also receives the ICMP message that raised the error: reading the
            // error clears it, and the message itself is classified below.
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            if ((pfd.revents & POLLIN) == 0)
                continue;
        }
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            throw Error("receiving from the ICMP socket failed: " + systemReason(errno));
        }
        const Answer answer =
            classifyAnswer({buffer.data(), static_cast<std::size_t>(n)}, request, form);
        if (answer.kind != AnswerKind::Unrelated)
            return answer;
    }
}

} // namespace

const char* methodName(EchoMethod method)
{
    switch (method) {
    case EchoMethod::DatagramSocket:
        return "datagram socket";
    case EchoMethod::RawSocket:
        return "raw socket";
    case EchoMethod::PingProgram:
        return "ping program";
    }
    return "?";
}

IcmpEchoClient::IcmpEchoClient()
{
    std::random_device random;
    identifier_ = static_cast<std::uint16_t>(random());
}

EchoReply IcmpEchoClient::ping(std::string_view payload, std::uint16_t sequence)
{
    if (sequence == 0) {
        sequence = nextSequence_++;
        if (nextSequence_ == 0)
            nextSequence_ = 1;
    }
    const Target target = resolve(host_);
    const EchoRequest request{target.family, identifier_, sequence, std::string(payload)};
    const auto deadline = Clock::now() + timeout_;
    const int domain = target.family == IpFamily::V4 ? AF_INET : AF_INET6;
    const int protocol = target.family == IpFamily::V4 ? int{IPPROTO_ICMP} : int{IPPROTO_ICMPV6};

    std::string refusals;
    for (const EchoMethod method : methods_) {
        EchoReply reply;
        reply.method = method;
        reply.address = target.numeric;
        if (method == EchoMethod::PingProgram) {
            ProgramRun run;
            try {
                run = runPingProgram(
                    pingProgram_,
                    pingProgramArguments(target.family, target.numeric, payload, timeout_),
                    timeout_ + PingProgramGrace);
            } catch (const Error& error) {
                refusals += std::string(refusals.empty() ? "" : "; ") + error.what();
                continue;
            }
            const PingProgramAnswer answer = readPingProgramOutput(
                run.exitStatus, run.output, quotedErrorSize(target.family, payload.size()));
            reply.bytesReceived = answer.bytes;
            reply.kind = answer.kind;
            return reply;
        }
        const bool datagram = method == EchoMethod::DatagramSocket;
        const int fd =
            ::socket(domain, (datagram ? SOCK_DGRAM : SOCK_RAW) | SOCK_CLOEXEC, protocol);
        if (fd < 0) {
            refusals += std::string(refusals.empty() ? "" : "; ") + methodName(method) + ": " +
                        systemReason(errno);
            continue;
        }
        const Descriptor socket(fd);
        const Answer answer = exchange(fd, datagram, target, request, deadline);
        reply.bytesReceived = answer.kind == AnswerKind::Unrelated ? 0 : answer.size;
        reply.kind = answer.kind;
        return reply;
    }
    throw Error("cannot open an ICMP socket (" + refusals + ")");
}

} // namespace cravent::net
