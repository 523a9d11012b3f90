#pragma once

#include "core/net/IcmpEchoClient.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace cravent::gui {

// One echo run on a thread of its own, so that the window keeps answering while it waits.
// The thread owns what it uses: a window that stops waiting early may go away meanwhile.
class BackgroundEcho {
public:
    BackgroundEcho(std::string host, std::string payload, std::chrono::milliseconds timeout);

    // The reply once the echo has ended, nothing while it is under way; throws Error (or what
    // else the echo threw) when it failed.
    std::optional<net::EchoReply> poll() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace cravent::gui
