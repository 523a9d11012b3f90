#include "core/net/EchoPacket.h"

#include "core/common/Error.h"

#include <gtest/gtest.h>

using namespace cravent;
using namespace cravent::net;

namespace {

using Bytes = std::vector<std::uint8_t>;

const EchoRequest V4Request{IpFamily::V4, 0x1234, 7, "127.0.0.1"};
const EchoRequest V6Request{IpFamily::V6, 0x1234, 7, "::1"};

Bytes icmp(std::uint8_t type, std::uint16_t id, std::uint16_t seq, const std::string& payload)
{
    Bytes b(8 + payload.size());
    b[0] = type;
    b[4] = static_cast<std::uint8_t>(id >> 8);
    b[5] = static_cast<std::uint8_t>(id);
    b[6] = static_cast<std::uint8_t>(seq >> 8);
    b[7] = static_cast<std::uint8_t>(seq);
    std::copy(payload.begin(), payload.end(), b.begin() + 8);
    return b;
}

Bytes ipv4Header(std::uint8_t protocol)
{
    Bytes h(20, 0);
    h[0] = 0x45;
    h[9] = protocol;
    return h;
}

Bytes ipv6Header(std::uint8_t nextHeader)
{
    Bytes h(40, 0);
    h[0] = 0x60;
    h[6] = nextHeader;
    return h;
}

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// An ICMP error message of `type` quoting `quoted` (IP header and ICMP message of a request).
Bytes errorMessage(std::uint8_t type, const Bytes& quoted)
{
    return cat({Bytes{type, 1, 0, 0, 0, 0, 0, 0}, quoted});
}

// The requests as ICMP error messages quote them: behind their IP header.
const Bytes quotedV4 = cat({ipv4Header(1), encodeEchoRequest(V4Request)});
const Bytes quotedV6 = cat({ipv6Header(58), encodeEchoRequest(V6Request)});

const ReceivedForm Raw4{true, true};
const ReceivedForm Raw6{false, true};
const ReceivedForm Datagram{false, false};

} // namespace

TEST(EchoPacket, RequestCarriesIdentifierSequencePayloadAndAValidChecksum)
{
    const Bytes v4 = encodeEchoRequest(V4Request);
    EXPECT_EQ(v4.size(), 8u + 9u);
    EXPECT_EQ(v4[0], 8);
    EXPECT_EQ(Bytes(v4.begin() + 4, v4.begin() + 8), (Bytes{0x12, 0x34, 0, 7}));
    EXPECT_EQ(std::string(v4.begin() + 8, v4.end()), "127.0.0.1");
    EXPECT_EQ(internetChecksum(v4), 0) << "a correct checksum sums to zero";

    const Bytes v6 = encodeEchoRequest(V6Request);
    EXPECT_EQ(v6[0], 128);
    EXPECT_EQ(v6[2] | v6[3], 0) << "the kernel computes ICMPv6 checksums";
}

TEST(EchoPacket, ChecksumOfOddLengthPadsWithZero)
{
    EXPECT_EQ(internetChecksum(Bytes{0x00, 0x01, 0xF2}), static_cast<std::uint16_t>(~0xF201u));
    EXPECT_EQ(internetChecksum(Bytes{0xFF, 0xFF, 0x00, 0x01}),
              static_cast<std::uint16_t>(~0x0001u));
}

TEST(EchoPacket, ClassifiesWhatASocketReceives)
{
    const Bytes quotedOther = cat({ipv4Header(1), icmp(8, 0x1234, 8, "127.0.0.1")});
    const Bytes quotedUdp = cat({ipv4Header(17), encodeEchoRequest(V4Request)});
    struct Case {
        const char* what;
        EchoRequest request;
        Bytes packet;
        ReceivedForm form;
        AnswerKind kind;
        std::size_t size;
    } cases[] = {
        {"echo reply behind the IPv4 header", V4Request,
         cat({ipv4Header(1), icmp(0, 0x1234, 7, "127.0.0.1")}), Raw4, AnswerKind::EchoReply, 17},
        {"IPv4 header with options", V4Request,
         cat({Bytes{0x46, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1},
              icmp(0, 0x1234, 7, "127.0.0.1")}),
         Raw4, AnswerKind::EchoReply, 17},
        {"another program's reply on a raw socket", V4Request,
         cat({ipv4Header(1), icmp(0, 0x4321, 7, "127.0.0.1")}), Raw4, AnswerKind::Unrelated, 17},
        {"datagram socket: the kernel's identifier", V4Request, icmp(0, 0x4321, 7, "127.0.0.1"),
         Datagram, AnswerKind::EchoReply, 17},
        {"reply to an earlier sequence number", V4Request, icmp(0, 0x1234, 6, "127.0.0.1"),
         Datagram, AnswerKind::Unrelated, 17},
        {"same sequence number, other payload", V4Request, icmp(0, 0x1234, 7, "10.0.0.1"), Datagram,
         AnswerKind::Unrelated, 16},
        {"reply with a longer payload", V4Request, icmp(0, 0x1234, 7, "127.0.0.1xyz"), Datagram,
         AnswerKind::EchoReply, 20},
        {"our own request seen on the loopback", V4Request,
         cat({ipv4Header(1), encodeEchoRequest(V4Request)}), Raw4, AnswerKind::Unrelated, 17},
        {"timestamp request of someone else", V4Request, icmp(13, 0, 0, std::string(12, 'x')),
         Datagram, AnswerKind::Unrelated, 20},
        {"destination unreachable quoting the request", V4Request,
         cat({ipv4Header(1), errorMessage(3, quotedV4)}), Raw4, AnswerKind::Unreachable, 45},
        {"time exceeded quoting the request", V4Request, errorMessage(11, quotedV4), Raw6,
         AnswerKind::TimeExceeded, 45},
        {"unreachable quoting another request", V4Request, errorMessage(3, quotedOther), Raw6,
         AnswerKind::Unrelated, 45},
        {"unreachable quoting a UDP datagram", V4Request, errorMessage(3, quotedUdp), Raw6,
         AnswerKind::Unrelated, 45},
        {"redirect is advice, not an answer", V4Request, errorMessage(5, quotedV4), Raw6,
         AnswerKind::Unrelated, 45},
        {"ICMPv6 echo reply", V6Request, icmp(129, 0x1234, 7, "::1"), Raw6, AnswerKind::EchoReply,
         11},
        {"ICMPv6 unreachable", V6Request, errorMessage(1, quotedV6), Raw6, AnswerKind::Unreachable,
         59},
        {"ICMPv6 time exceeded", V6Request, errorMessage(3, quotedV6), Raw6,
         AnswerKind::TimeExceeded, 59},
        {"ICMPv6 neighbour solicitation", V6Request, icmp(135, 0, 0, std::string(16, 'n')), Raw6,
         AnswerKind::Unrelated, 24},
    };
    for (const Case& c : cases) {
        const Answer answer = classifyAnswer(c.packet, c.request, c.form);
        EXPECT_EQ(answer.kind, c.kind) << c.what;
        EXPECT_EQ(answer.size, c.size) << c.what;
    }
}

TEST(EchoPacket, ShortOrUnexpectedAnswersAreErrors)
{
    struct Case {
        const char* what;
        EchoRequest request;
        Bytes packet;
        ReceivedForm form;
        const char* message;
    } cases[] = {
        {"shorter than an ICMP header", V4Request, Bytes{0, 0, 0, 0, 0}, Datagram,
         "the answer is too short (5 bytes)"},
        {"shorter than an IPv4 header", V4Request, Bytes(12, 0x45), Raw4,
         "the answer is too short (12 bytes)"},
        {"IPv4 header only", V4Request, ipv4Header(1), Raw4, "the answer is too short (0 bytes)"},
        {"our reply cut short", V4Request, icmp(0, 0x1234, 7, "127.0"), Datagram,
         "the answer is too short (13 bytes)"},
        {"error message cut inside the quote", V4Request,
         errorMessage(3, Bytes(quotedV4.begin(), quotedV4.begin() + 24)), Raw6,
         "the answer is too short (32 bytes)"},
        {"parameter problem about the request", V4Request, errorMessage(12, quotedV4), Raw6,
         "unexpected ICMP answer of type 12 (code 1)"},
        {"source quench about the request", V4Request, errorMessage(4, quotedV4), Raw6,
         "unexpected ICMP answer of type 4 (code 1)"},
        {"ICMPv6 packet too big", V6Request, errorMessage(2, quotedV6), Raw6,
         "unexpected ICMP answer of type 2 (code 1)"},
    };
    for (const Case& c : cases) {
        try {
            classifyAnswer(c.packet, c.request, c.form);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), c.message) << c.what;
        }
    }
}

TEST(EchoPacket, RecognisesOurRequestReturnedWithAnError)
{
    const Bytes sent = encodeEchoRequest(V4Request);
    EXPECT_TRUE(isOurRequest(sent, V4Request, true));
    // A datagram socket's request carries the kernel's identifier.
    EXPECT_TRUE(isOurRequest(icmp(8, 0x9999, 7, "127.0.0.1"), V4Request, false));
    EXPECT_FALSE(isOurRequest(icmp(8, 0x9999, 7, "127.0.0.1"), V4Request, true));
    // Routers may quote only the first 8 bytes of the payload.
    EXPECT_TRUE(isOurRequest(icmp(8, 0x1234, 7, "127.0"), V4Request, true));
    EXPECT_FALSE(isOurRequest(icmp(8, 0x1234, 7, "127.9"), V4Request, true));
    EXPECT_FALSE(isOurRequest(icmp(0, 0x1234, 7, "127.0.0.1"), V4Request, true));
    EXPECT_FALSE(isOurRequest(Bytes{8, 0, 0}, V4Request, false));
}
