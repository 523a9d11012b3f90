#include "tools/sim/ModbusGateway.h"

#include "core/common/Error.h"
#include "core/sim/ModbusRequestFrame.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <optional>
#include <span>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <modbus/modbus.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace cravent::sim {

namespace {

// The stop signals reach poll() through a pipe, so a signal between two waits is never lost.
int stopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(stopPipe[1], &byte, 1);
    errno = saved;
}

// The functions that write registers, and where their written range stands in the request.
constexpr int FunctionWriteSingle = 6;
constexpr int FunctionWriteMultiple = 16;
constexpr int FunctionMaskWrite = 22;
constexpr int FunctionWriteAndRead = 23;

std::size_t field(const std::uint8_t* pdu, std::size_t at)
{
    return static_cast<std::size_t>(pdu[at] << 8 | pdu[at + 1]);
}

std::string peerOf(int fd)
{
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    char host[INET6_ADDRSTRLEN] = "?";
    int port = 0;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        if (address.ss_family == AF_INET) {
            const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
            ::inet_ntop(AF_INET, &v4->sin_addr, host, sizeof host);
            port = ntohs(v4->sin_port);
        } else if (address.ss_family == AF_INET6) {
            const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
            ::inet_ntop(AF_INET6, &v6->sin6_addr, host, sizeof host);
            port = ntohs(v6->sin6_port);
        }
    }
    return std::string(host) + ":" + std::to_string(port);
}

} // namespace

struct ModbusGateway::Client {
    int fd = -1;
    std::string peer;
    std::vector<std::uint8_t> in;  // the start of a request that has not arrived whole
    std::string out;               // answers the client has not taken yet
    Clock::time_point requestStart; // when `in` began
    Clock::time_point lastActive;   // the last request or answer that moved
    bool inputEnded = false;        // the client has shut its side; it still gets its answers
    bool gone = false;

    bool idle() const { return in.empty() && out.empty(); }
};

struct ModbusGateway::Libmodbus {
    modbus_t* context = nullptr;
    modbus_mapping_t* mapping = nullptr;
    // libmodbus writes each answer into one end; the server takes it from the other into the
    // client's buffer. A packet socket keeps one answer one read.
    int answers[2] = {-1, -1};
    ~Libmodbus()
    {
        if (mapping) {
            // The register table belongs to the model: libmodbus must not free it.
            mapping->tab_registers = nullptr;
            mapping->tab_input_registers = nullptr;
            modbus_mapping_free(mapping);
        }
        if (context)
            modbus_free(context);
        for (const int fd : answers)
            if (fd >= 0)
                ::close(fd);
    }
};

ModbusGateway::ModbusGateway(GatewayModel& model, CanPort& can, ClientLimits limits)
    : model_(model), can_(can), limits_(limits), modbus_(std::make_unique<Libmodbus>())
{
}

ModbusGateway::~ModbusGateway()
{
    for (const auto& client : clients_)
        ::close(client->fd);
    if (server_ >= 0)
        ::close(server_);
    if (spare_ >= 0)
        ::close(spare_);
}

void ModbusGateway::listen(const std::string& address, int port)
{
    modbus_->context = modbus_new_tcp_pi(address.c_str(), std::to_string(port).c_str());
    if (!modbus_->context)
        throw Error("Cannot listen on " + address + ":" + std::to_string(port) + ": " +
                    modbus_strerror(errno));
    server_ = modbus_tcp_pi_listen(modbus_->context, 64);
    if (server_ < 0)
        throw Error("Cannot listen on " + address + ":" + std::to_string(port) + ": " +
                    std::strerror(errno));
    ::fcntl(server_, F_SETFD, FD_CLOEXEC);
    ::fcntl(server_, F_SETFL, ::fcntl(server_, F_GETFL) | O_NONBLOCK);
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, modbus_->answers) != 0)
        throw Error(std::string("Cannot make the answer channel: ") + std::strerror(errno));
    ::fcntl(modbus_->answers[1], F_SETFL, O_NONBLOCK);
    modbus_set_socket(modbus_->context, modbus_->answers[0]);
    spare_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);

    // Function codes 3 and 4 both read the one table of the model.
    modbus_->mapping = modbus_mapping_new(0, 0, 0, 0);
    if (!modbus_->mapping)
        throw Error("Out of memory for the register table");
    const auto registers = model_.registers();
    modbus_->mapping->tab_registers = registers.data();
    modbus_->mapping->nb_registers = static_cast<int>(registers.size());
    modbus_->mapping->tab_input_registers = registers.data();
    modbus_->mapping->nb_input_registers = static_cast<int>(registers.size());
}

void ModbusGateway::takeFrames()
{
    for (const CanFrame& frame : can_.readReady()) {
        ++counts_.framesIn;
        if (!model_.receive(frame))
            ++counts_.unknownCobIds;
    }
}

void ModbusGateway::drop(Client& client, const std::string& why)
{
    if (!why.empty())
        std::cerr << "cravent-sim: client " << client.peer << " dropped: " << why << std::endl;
    ::close(client.fd);
    client.gone = true;
}

void ModbusGateway::flush(Client& client)
{
    while (!client.out.empty()) {
        const ssize_t sent = ::send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                drop(client, {}); // gone away
            return;
        }
        client.out.erase(0, static_cast<std::size_t>(sent));
        client.lastActive = Clock::now();
    }
    if (client.inputEnded)
        drop(client, {});
}

void ModbusGateway::answer(Client& client, const std::uint8_t* request, std::size_t length, bool lengthsAgree)
{
    // libmodbus reads a request by its function's own fields: a zeroed full-size copy keeps
    // every such read inside the buffer.
    std::uint8_t query[MaxAduLength] = {};
    std::memcpy(query, request, length);
    const int header = static_cast<int>(MbapHeaderLength);
    const int sent = lengthsAgree
                         ? modbus_reply(modbus_->context, query, static_cast<int>(length), modbus_->mapping)
                         : modbus_reply_exception(modbus_->context, query, MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE);
    std::uint8_t reply[MaxAduLength + 16];
    const ssize_t got = sent > 0 ? ::recv(modbus_->answers[1], reply, sizeof reply, 0) : -1;
    if (got <= header) {
        drop(client, std::string("no answer could be made: ") + modbus_strerror(errno));
        return;
    }
    // The registers are written by now: their frames go out whether or not the client stays.
    sendWrittenFrames(query, reply);
    ++counts_.requests;
    client.out.append(reinterpret_cast<const char*>(reply), static_cast<std::size_t>(got));
    if (client.out.size() > limits_.waitingBytes) {
        flush(client);
        if (client.gone)
            return;
        if (client.out.size() > limits_.waitingBytes) {
            drop(client, "it does not take its answers (" + std::to_string(client.out.size()) +
                             " bytes waiting)");
            return;
        }
    }
}

void ModbusGateway::sendWrittenFrames(const std::uint8_t* query, const std::uint8_t* reply)
{
    const int header = static_cast<int>(MbapHeaderLength);
    // A write that libmodbus refused comes back as an exception; one it took sends the frames
    // that carry the written registers.
    const int function = query[header];
    if (reply[header] != function)
        return;
    const std::uint8_t* pdu = query + header;
    std::size_t first = field(pdu, 1);
    std::size_t count = 1;
    if (function == FunctionWriteMultiple) {
        count = field(pdu, 3);
    } else if (function == FunctionWriteAndRead) {
        first = field(pdu, 5);
        count = field(pdu, 7);
    } else if (function != FunctionWriteSingle && function != FunctionMaskWrite) {
        return;
    }
    if (count < 1 || first + count > GatewayModel::RegisterCount)
        return;
    for (const CanFrame& frame : model_.registersWritten(first, count)) {
        can_.send(frame);
        ++counts_.framesOut;
    }
}

void ModbusGateway::readFrom(Client& client)
{
    // Two requests' worth at a time: a client that floods the server with requests gets its
    // turn like any other, and the next client waits on a few answers, not on hundreds.
    std::uint8_t chunk[2 * MaxAduLength];
    const ssize_t got = ::recv(client.fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (got < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            drop(client, {});
        return;
    }
    if (got == 0) {
        client.inputEnded = true;
        flush(client);
        return;
    }
    const auto now = Clock::now();
    const bool wasEmpty = client.in.empty();
    client.in.insert(client.in.end(), chunk, chunk + got);
    std::size_t taken = 0;
    while (!client.gone) {
        const auto rest = std::span<const std::uint8_t>(client.in).subspan(taken);
        const RequestFrame frame = frameRequest(rest);
        if (frame.state == RequestFrame::State::Incomplete)
            break;
        if (frame.state == RequestFrame::State::Broken) {
            drop(client, "not a Modbus TCP request: " + frame.why);
            return;
        }
        answer(client, rest.data(), frame.length, frame.lengthsAgree);
        taken += frame.length;
        client.lastActive = now;
    }
    if (client.gone)
        return;
    client.in.erase(client.in.begin(), client.in.begin() + static_cast<std::ptrdiff_t>(taken));
    // The deadline runs from the first byte of the request still unfinished.
    if (!client.in.empty() && (wasEmpty || taken > 0))
        client.requestStart = now;
    flush(client);
}

void ModbusGateway::acceptClients()
{
    // A bounded batch per wake keeps the clients already served from waiting on a flood.
    for (int batch = 0; batch < 64; ++batch) {
        int fd = ::accept4(server_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if ((errno == EMFILE || errno == ENFILE) && spare_ >= 0) {
                // No descriptor left: take the connection with the spare one and close it.
                ::close(spare_);
                fd = ::accept4(server_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0)
                    ::close(fd);
                spare_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
                continue;
            }
            return; // none waiting (EAGAIN), or one that went away before it was taken
        }
        if (clients_.size() >= limits_.connections) {
            if (!toldOfLimit_)
                std::cerr << "cravent-sim: " << limits_.connections
                          << " connections open: each new one closes the one idle longest" << std::endl;
            toldOfLimit_ = true;
            // The connection idle longest; where every one is busy, the one silent longest.
            const auto victim = std::min_element(clients_.begin(), clients_.end(), [](const auto& a, const auto& b) {
                if (a->idle() != b->idle())
                    return a->idle();
                return a->lastActive < b->lastActive;
            });
            ::close((*victim)->fd);
            clients_.erase(victim);
        }
        auto client = std::make_unique<Client>();
        client->fd = fd;
        client->peer = peerOf(fd);
        client->lastActive = Clock::now();
        clients_.push_back(std::move(client));
    }
}

int ModbusGateway::waitMilliseconds() const
{
    std::optional<Clock::time_point> due;
    for (const auto& client : clients_)
        if (!client->in.empty() && (!due || client->requestStart < *due))
            due = client->requestStart;
    if (!due)
        return -1;
    const auto left = *due + limits_.requestDeadline - Clock::now();
    // Rounded up, so that the wake comes after the deadline, not just before it.
    return std::max(0, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
}

void ModbusGateway::run(bool stopAtEndOfInput)
{
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw Error(std::string("Cannot make the stop pipe: ") + std::strerror(errno));
    struct sigaction action{};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN); // a client gone mid-answer is a closed connection, not a stop

    std::vector<pollfd> waits;
    for (;;) {
        waits.clear();
        waits.push_back({stopPipe[0], POLLIN, 0});
        waits.push_back({server_, POLLIN, 0});
        const int canInput = can_.inputDescriptor();
        if (canInput < 0 && stopAtEndOfInput)
            return;
        waits.push_back({canInput, POLLIN, 0}); // poll() passes over a negative descriptor
        for (const auto& client : clients_) {
            short events = client->inputEnded ? 0 : POLLIN;
            if (!client->out.empty())
                events |= POLLOUT;
            waits.push_back({client->fd, events, 0});
        }

        if (::poll(waits.data(), waits.size(), waitMilliseconds()) < 0) {
            if (errno == EINTR)
                continue;
            throw Error(std::string("poll failed: ") + std::strerror(errno));
        }
        if (waits[0].revents != 0)
            return;
        if (waits[2].revents != 0)
            takeFrames();
        const auto now = Clock::now();
        for (std::size_t i = 0; i < clients_.size(); ++i) {
            Client& client = *clients_[i];
            const short events = waits[i + 3].revents;
            if (events & (POLLOUT | POLLERR | POLLHUP))
                flush(client);
            if (!client.gone && (events & (POLLIN | POLLERR | POLLHUP)) && !client.inputEnded)
                readFrom(client);
            if (!client.gone && (events & (POLLERR | POLLHUP | POLLNVAL)) && client.inputEnded)
                drop(client, {});
            if (!client.gone && !client.in.empty() && now - client.requestStart >= limits_.requestDeadline)
                drop(client, "it sent no whole request within " + std::to_string(limits_.requestDeadline.count()) +
                                 " ms (" + std::to_string(client.in.size()) + " bytes of one)");
        }
        std::erase_if(clients_, [](const auto& client) { return client->gone; });
        if (waits[1].revents & POLLIN)
            acceptClients();
    }
}

} // namespace cravent::sim
