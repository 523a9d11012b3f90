#include "gui/ping/BackgroundEcho.h"

#include "core/common/Error.h"

#include <exception>
#include <mutex>
#include <thread>

namespace cravent::gui {

struct BackgroundEcho::State {
    std::mutex mutex;
    bool done = false;
    net::EchoReply reply;
    std::exception_ptr failure;
};

BackgroundEcho::BackgroundEcho(std::string host, std::string payload,
                               std::chrono::milliseconds timeout)
    : state_(std::make_shared<State>())
{
    std::thread([state = state_, host = std::move(host), payload = std::move(payload), timeout] {
        net::EchoReply reply;
        std::exception_ptr failure;
        try {
            net::IcmpEchoClient client;
            client.setHost(host);
            client.setReceiveTimeout(timeout);
            reply = client.ping(payload);
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard lock(state->mutex);
        state->reply = std::move(reply);
        state->failure = failure;
        state->done = true;
    }).detach();
}

std::optional<net::EchoReply> BackgroundEcho::poll() const
{
    const std::lock_guard lock(state_->mutex);
    if (!state_->done)
        return std::nullopt;
    if (state_->failure)
        std::rethrow_exception(state_->failure);
    return state_->reply;
}

} // namespace cravent::gui
