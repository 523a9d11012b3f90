#pragma once

#include "core/net/EchoPacket.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cravent::net {

// How an echo reached the network. Tried in this order: the unprivileged datagram socket where
// net.ipv4.ping_group_range admits the user, a raw socket (CAP_NET_RAW), the system's ping.
enum class EchoMethod { DatagramSocket, RawSocket, PingProgram };

const char* methodName(EchoMethod method);

struct EchoReply {
    // Bytes of the matching answer (ICMP header and data), 0 when none came in time.
    std::size_t bytesReceived = 0;
    AnswerKind kind = AnswerKind::Unrelated;
    EchoMethod method = EchoMethod::DatagramSocket;
    std::string address; // the numeric address that was pinged
};

// The echo client of the "Ping Device" command: one request carrying a payload text, one
// answer or a timeout. Failures (a host that cannot be resolved, no usable socket, a socket
// error, a short or unexpected answer) throw Error with the reason.
class IcmpEchoClient {
public:
    static constexpr std::chrono::milliseconds DefaultReceiveTimeout{5000};

    IcmpEchoClient();

    // The host as the user typed it: a dotted IPv4 address, an IPv6 address or a host name.
    void setHost(std::string host) { host_ = std::move(host); }
    const std::string& host() const { return host_; }

    void setReceiveTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
    std::chrono::milliseconds receiveTimeout() const { return timeout_; }

    // The ways to try, in order; all three by default.
    void setMethods(std::vector<EchoMethod> methods) { methods_ = std::move(methods); }
    // The system's ping program, looked up in PATH unless it holds a '/'.
    void setPingProgram(std::string program) { pingProgram_ = std::move(program); }

    // Sends one echo request carrying `payload` and waits for its answer. Sequence number 0
    // takes the client's own counter.
    EchoReply ping(std::string_view payload, std::uint16_t sequence = 0);

private:
    std::string host_;
    std::chrono::milliseconds timeout_ = DefaultReceiveTimeout;
    std::vector<EchoMethod> methods_{EchoMethod::DatagramSocket, EchoMethod::RawSocket,
                                     EchoMethod::PingProgram};
    std::string pingProgram_ = "ping";
    std::uint16_t identifier_;
    std::uint16_t nextSequence_ = 1;
};

} // namespace cravent::net
