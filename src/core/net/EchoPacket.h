#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace cravent::net {

enum class IpFamily { V4, V6 };

// One echo request as this client sends it.
struct EchoRequest {
    IpFamily family = IpFamily::V4;
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
    std::string payload;
};

// ICMP header and payload of the request. The IPv4 checksum is filled in; ICMPv6 checksums
// cover the addresses and are always computed by the kernel.
std::vector<std::uint8_t> encodeEchoRequest(const EchoRequest& request);

// RFC 1071 Internet checksum.
std::uint16_t internetChecksum(std::span<const std::uint8_t> bytes);

enum class AnswerKind {
    Unrelated,    // traffic of someone else, or our own request seen on the loopback
    EchoReply,    // the echo reply to the request
    Unreachable,  // a destination-unreachable message quoting the request
    TimeExceeded, // a time-exceeded message quoting the request
};

struct Answer {
    AnswerKind kind = AnswerKind::Unrelated;
    int icmpType = -1;
    std::size_t size = 0; // bytes of the ICMP message: header and data, as ping(8) counts them
};

// How a socket hands over what it received.
struct ReceivedForm {
    bool ipv4Header = false;     // IPv4 raw sockets see the IP header first
    bool checkIdentifier = true; // datagram sockets replace the identifier with their own
};

// Classifies one received ICMP message against the request. Throws Error for a message too
// short to be read and for an ICMP error message about the request that is neither
// destination-unreachable nor time-exceeded.
Answer classifyAnswer(std::span<const std::uint8_t> packet, const EchoRequest& request,
                      ReceivedForm form);

// Whether `original` (the request as the kernel returns it with an ICMP error) is ours:
// same sequence number and payload, as far as the returned bytes go.
bool isOurRequest(std::span<const std::uint8_t> original, const EchoRequest& request,
                  bool checkIdentifier);

} // namespace cravent::net
