#pragma once

#include "core/net/IcmpEchoClient.h"

#include <string>
#include <string_view>

namespace cravent::net {

// What "Ping Device" tells the user. The codes are those of the result dialog and the exit
// status of cravent-cli ping, as with ping(8).
enum class PingOutcome : int { Found = 0, NotFound = 1, Error = 2 };

const char* pingCaption(PingOutcome outcome); // "Ping! Device Found!", ...
const char* pingLabel(PingOutcome outcome);   // "Device Found!", ...

// Any answer counts, an unreachable or time-exceeded message as well.
inline PingOutcome outcomeOf(const EchoReply& reply)
{
    return reply.bytesReceived > 0 ? PingOutcome::Found : PingOutcome::NotFound;
}

struct PingResult {
    PingOutcome outcome = PingOutcome::NotFound;
    std::string reason; // the error's text for PingOutcome::Error
};

// One ping of `address`, carrying the address text as payload.
PingResult pingAddress(IcmpEchoClient& client, std::string_view address);

} // namespace cravent::net
