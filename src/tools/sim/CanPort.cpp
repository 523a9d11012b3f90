#include "tools/sim/CanPort.h"

#include "core/common/Error.h"
#include "core/sim/LineSplitter.h"

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
            if (ended_)
                take(lines_.finish(), frames);
            return frames;
        }
        take(lines_.feed(std::string_view(chunk, static_cast<std::size_t>(got))), frames);
        return frames;
    }

    void send(const CanFrame& frame) override
    {
        const std::string text = candumpLine(frame, secondsNow(), "can0") + "\n";
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }

private:
    void take(const std::vector<LineSplitter::Line>& lines, std::vector<CanFrame>& frames)
    {
        for (const LineSplitter::Line& line : lines) {
            if (line.tooLong) {
                std::cerr << "cravent-sim: standard input line " << line.number << ": longer than "
                          << MaxLineLength << " characters, passed over\n";
                continue;
            }
            if (line.text.find_first_not_of(" \t\r") == std::string::npos)
                continue;
            std::string why;
            if (auto frame = parseCandumpLine(line.text, &why))
                frames.push_back(*frame);
            else
                std::cerr << "cravent-sim: standard input line " << line.number << ": " << why
                          << ", passed over\n";
        }
    }

    // No candump line is that long.
    static constexpr std::size_t MaxLineLength = 4096;
    bool ended_ = false;
    LineSplitter lines_{MaxLineLength};
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
