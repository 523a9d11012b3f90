#include "net/PingOutcome.h"

#include "common/Error.h"

namespace cravent::net {

const char* pingCaption(PingOutcome outcome)
{
    switch (outcome) {
    case PingOutcome::Found:
        return "Ping! Device Found!";
    case PingOutcome::NotFound:
        return "Ping! Device Not Found!";
    case PingOutcome::Error:
        break;
    }
    return "Ping! Error!!!";
}

const char* pingLabel(PingOutcome outcome)
{
    switch (outcome) {
    case PingOutcome::Found:
        return "Device Found!";
    case PingOutcome::NotFound:
        return "Device Not Found!";
    case PingOutcome::Error:
        break;
    }
    return "Error!!! Check the Ip Address";
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
