#include "core/net/PingOutcome.h"

#include "core/common/Error.h"

#include <iterator>

namespace cravent::net {

namespace {

struct OutcomeTexts {
    const char* caption;
    const char* label;
};

// By outcome code: found, not found, error.
constexpr OutcomeTexts Texts[] = {
    {"Ping! Device Found!", "Device Found!"},
    {"Ping! Device Not Found!", "Device Not Found!"},
    {"Ping! Error!!!", "Error!!! Check the Ip Address"},
};

const OutcomeTexts& textsOf(PingOutcome outcome)
{
    const auto code = static_cast<std::size_t>(outcome);
    return Texts[code < std::size(Texts) ? code : std::size(Texts) - 1];
}

} // namespace

const char* pingCaption(PingOutcome outcome)
{
    return textsOf(outcome).caption;
}

const char* pingLabel(PingOutcome outcome)
{
    return textsOf(outcome).label;
}

PingResult pingAddress(IcmpEchoClient& client, std::string_view address)
{
    try {
        client.setHost(std::string(address));
        return {outcomeOf(client.ping(address)), {}};
    } catch (const Error& error) {
        return {PingOutcome::Error, error.what()};
    }
}

} // namespace cravent::net
