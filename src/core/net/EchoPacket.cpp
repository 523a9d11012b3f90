#include "core/net/EchoPacket.h"

#include "core/common/Error.h"

#include <algorithm>
#include <string>

namespace cravent::net {

namespace {

constexpr std::size_t IcmpHeaderSize = 8;
constexpr std::size_t Ipv4MinHeaderSize = 20;
constexpr std::size_t Ipv6HeaderSize = 40;
constexpr std::uint8_t ProtocolIcmp = 1;
constexpr std::uint8_t ProtocolIcmpV6 = 58;

// The ICMP types that matter here, per address family.
struct Types {
    std::uint8_t echoRequest;
    std::uint8_t echoReply;
    std::uint8_t unreachable;
    std::uint8_t timeExceeded;
    // Error messages that quote the request but are no answer to it.
    std::uint8_t otherErrors[2];
};

constexpr Types V4Types{8, 0, 3, 11, {4, 12}};   // source quench, parameter problem
constexpr Types V6Types{128, 129, 1, 3, {2, 4}}; // packet too big, parameter problem

const Types& typesOf(IpFamily family)
{
    return family == IpFamily::V4 ? V4Types : V6Types;
}

std::uint16_t read16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

[[noreturn]] void tooShort(std::size_t size)
{
    throw Error("the answer is too short (" + std::to_string(size) + " bytes)");
}

// The request quoted by an ICMP error message, after its 8-byte header: the IP header of the
// request, then its ICMP header and as much of its payload as the sender kept.
std::span<const std::uint8_t> quotedRequest(std::span<const std::uint8_t> icmp, IpFamily family)
{
    const auto quoted = icmp.subspan(IcmpHeaderSize);
    std::size_t headerSize = Ipv6HeaderSize;
    if (family == IpFamily::V4) {
        if (quoted.empty())
            tooShort(icmp.size());
        headerSize = std::size_t{quoted[0] & 0x0Fu} * 4;
        if (headerSize < Ipv4MinHeaderSize)
            return {};
    }
    if (quoted.size() < headerSize + IcmpHeaderSize)
        tooShort(icmp.size());
    const std::uint8_t protocol = family == IpFamily::V4 ? quoted[9] : quoted[6];
    if (protocol != (family == IpFamily::V4 ? ProtocolIcmp : ProtocolIcmpV6))
        return {};
    return quoted.subspan(headerSize);
}

} // namespace

std::uint16_t internetChecksum(std::span<const std::uint8_t> bytes)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        sum += read16(bytes, i);
    if (bytes.size() % 2 != 0)
        sum += std::uint32_t{bytes.back()} << 8;
    while (sum > 0xFFFF)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::vector<std::uint8_t> encodeEchoRequest(const EchoRequest& request)
{
    std::vector<std::uint8_t> packet(IcmpHeaderSize + request.payload.size());
    packet[0] = typesOf(request.family).echoRequest;
    packet[4] = static_cast<std::uint8_t>(request.identifier >> 8);
    packet[5] = static_cast<std::uint8_t>(request.identifier);
    packet[6] = static_cast<std::uint8_t>(request.sequence >> 8);
    packet[7] = static_cast<std::uint8_t>(request.sequence);
    std::ranges::transform(request.payload, packet.begin() + IcmpHeaderSize,
                           [](char c) { return static_cast<std::uint8_t>(c); });
    if (request.family == IpFamily::V4) {
        const std::uint16_t sum = internetChecksum(packet);
        packet[2] = static_cast<std::uint8_t>(sum >> 8);
        packet[3] = static_cast<std::uint8_t>(sum);
    }
    return packet;
}

bool isOurRequest(std::span<const std::uint8_t> original, const EchoRequest& request,
                  bool checkIdentifier)
{
    if (original.size() < IcmpHeaderSize || original[0] != typesOf(request.family).echoRequest)
        return false;
    if (checkIdentifier && read16(original, 4) != request.identifier)
        return false;
    if (read16(original, 6) != request.sequence)
        return false;
    const auto payload = original.subspan(IcmpHeaderSize);
    const std::size_t n = std::min(payload.size(), request.payload.size());
    return std::equal(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(n),
                      request.payload.begin());
}

Answer classifyAnswer(std::span<const std::uint8_t> packet, const EchoRequest& request,
                      ReceivedForm form)
{
    std::span<const std::uint8_t> icmp = packet;
    if (form.ipv4Header) {
        if (packet.size() < Ipv4MinHeaderSize)
            tooShort(packet.size());
        const std::size_t headerSize = std::size_t{packet[0] & 0x0Fu} * 4;
        if (headerSize < Ipv4MinHeaderSize || packet.size() < headerSize)
            tooShort(packet.size());
        icmp = packet.subspan(headerSize);
    }
    if (icmp.size() < IcmpHeaderSize)
        tooShort(icmp.size());

    const Types& types = typesOf(request.family);
    const std::uint8_t type = icmp[0];
    Answer answer{AnswerKind::Unrelated, type, icmp.size()};

    if (type == types.echoReply) {
        if ((form.checkIdentifier && read16(icmp, 4) != request.identifier) ||
            read16(icmp, 6) != request.sequence)
            return answer;
        const auto payload = icmp.subspan(IcmpHeaderSize);
        const std::size_t n = std::min(payload.size(), request.payload.size());
        if (!std::equal(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(n),
                        request.payload.begin()))
            return answer;
        if (payload.size() < request.payload.size())
            tooShort(icmp.size());
        answer.kind = AnswerKind::EchoReply;
        return answer;
    }

    const bool quotes = type == types.unreachable || type == types.timeExceeded ||
                        std::ranges::find(types.otherErrors, type) != std::end(types.otherErrors);
    if (!quotes ||
        !isOurRequest(quotedRequest(icmp, request.family), request, form.checkIdentifier))
        return answer;
    if (type == types.unreachable)
        answer.kind = AnswerKind::Unreachable;
    else if (type == types.timeExceeded)
        answer.kind = AnswerKind::TimeExceeded;
    else
        throw Error("unexpected ICMP answer of type " + std::to_string(type) + " (code " +
                    std::to_string(icmp[1]) + ")");
    return answer;
}

} // namespace cravent::net
