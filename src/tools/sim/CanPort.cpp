#include "tools/sim/CanPort.h"

#include "core/common/Error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>

#include <linux/can.h>
#include <linux/can/raw.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

namespace cravent::sim {

namespace {

double secondsNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

class CandumpPort final : public CanPort {
public:
    int inputDescriptor() const override { return ended_ ? -1 : STDIN_FILENO; }

    std::vector<CanFrame> readReady() override
    {
        std::vector<CanFrame> frames;
        char chunk[65536];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            if (got == 0 || (errno != EINTR && errno != EAGAIN))
                ended_ = true;
            if (ended_ && !pending_.empty())
                take(pending_, frames);
            return frames;
        }
        std::size_t start = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(got); ++i) {
            if (chunk[i] != '\n')
                continue;
            pending_.append(chunk + start, i - start);
            take(pending_, frames);
            pending_.clear();
            start = i + 1;
        }
        pending_.append(chunk + start, static_cast<std::size_t>(got) - start);
        if (pending_.size() > 4096) { // no candump line is that long
            std::cerr << "cravent-sim: standard input line " << line_ + 1
                      << ": longer than 4096 characters, passed over\n";
            pending_.clear();
        }
        return frames;
    }

    void send(const CanFrame& frame) override
    {
        const std::string text = candumpLine(frame, secondsNow(), "can0") + "\n";
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }

private:
    void take(const std::string& text, std::vector<CanFrame>& frames)
    {
        ++line_;
        if (text.find_first_not_of(" \t\r") == std::string::npos)
            return;
        std::string why;
        if (auto frame = parseCandumpLine(text, &why))
            frames.push_back(*frame);
        else
            std::cerr << "cravent-sim: standard input line " << line_ << ": " << why
                      << ", passed over\n";
    }

    bool ended_ = false;
    std::string pending_;
    std::size_t line_ = 0;
};

class SocketCanPort final : public CanPort {
public:
    explicit SocketCanPort(const std::string& iface)
    {
        fd_ = ::socket(PF_CAN, SOCK_RAW | SOCK_CLOEXEC, CAN_RAW);
        if (fd_ < 0)
            throw Error("This kernel has no CAN sockets (socket(AF_CAN) failed: " +
                        std::string(std::strerror(errno)) + "); use --can candump");
        const unsigned index = if_nametoindex(iface.c_str());
        if (index == 0) {
            ::close(fd_);
            throw Error("No CAN interface \"" + iface + "\"");
        }
        sockaddr_can address{};
        address.can_family = AF_CAN;
        address.can_ifindex = static_cast<int>(index);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            const int error = errno;
            ::close(fd_);
            throw Error("Cannot bind to CAN interface \"" + iface + "\": " + std::strerror(error));
        }
    }
    ~SocketCanPort() override { ::close(fd_); }

    int inputDescriptor() const override { return fd_; }

    std::vector<CanFrame> readReady() override
    {
        can_frame raw{};
        if (::read(fd_, &raw, sizeof raw) != static_cast<ssize_t>(sizeof raw))
            return {};
        if ((raw.can_id & (CAN_RTR_FLAG | CAN_ERR_FLAG)) != 0)
            return {};
        CanFrame frame;
        frame.extended = (raw.can_id & CAN_EFF_FLAG) != 0;
        frame.id = raw.can_id & (frame.extended ? CAN_EFF_MASK : CAN_SFF_MASK);
        frame.length = raw.can_dlc > 8 ? 8 : raw.can_dlc;
        std::memcpy(frame.data.data(), raw.data, frame.length);
        return {frame};
    }

    void send(const CanFrame& frame) override
    {
        can_frame raw{};
        raw.can_id = frame.id | (frame.extended ? CAN_EFF_FLAG : 0u);
        raw.can_dlc = frame.length;
        std::memcpy(raw.data, frame.data.data(), frame.length);
        if (::write(fd_, &raw, sizeof raw) != static_cast<ssize_t>(sizeof raw))
            std::cerr << "cravent-sim: a frame could not be sent: " << std::strerror(errno) << '\n';
    }

private:
    int fd_ = -1;
};

} // namespace

std::unique_ptr<CanPort> openCanPort(const std::string& choice)
{
    if (choice == "candump")
        return std::make_unique<CandumpPort>();
    if (choice.starts_with("socketcan:") && choice.size() > 10)
        return std::make_unique<SocketCanPort>(choice.substr(10));
    throw Error("--can takes candump or socketcan:IFACE, not \"" + choice + "\"");
}

} // namespace cravent::sim
