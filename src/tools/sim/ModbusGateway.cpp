#include "tools/sim/ModbusGateway.h"

#include "core/common/Error.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <modbus/modbus.h>
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

constexpr int FunctionWriteSingle = 6;
constexpr int FunctionWriteMultiple = 16;

} // namespace

struct ModbusGateway::Libmodbus {
    modbus_t* context = nullptr;
    modbus_mapping_t* mapping = nullptr;
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
    }
};

ModbusGateway::ModbusGateway(GatewayModel& model, CanPort& can)
    : model_(model), can_(can), modbus_(std::make_unique<Libmodbus>())
{
}

ModbusGateway::~ModbusGateway()
{
    if (server_ >= 0)
        ::close(server_);
}

void ModbusGateway::listen(const std::string& address, int port)
{
    modbus_->context = modbus_new_tcp_pi(address.c_str(), std::to_string(port).c_str());
    if (!modbus_->context)
        throw Error("Cannot listen on " + address + ":" + std::to_string(port) + ": " +
                    modbus_strerror(errno));
    // A client that stops in the middle of a request must not hold up the others.
    modbus_set_indication_timeout(modbus_->context, 1, 0);
    server_ = modbus_tcp_pi_listen(modbus_->context, 16);
    if (server_ < 0)
        throw Error("Cannot listen on " + address + ":" + std::to_string(port) + ": " +
                    std::strerror(errno));
    ::fcntl(server_, F_SETFD, FD_CLOEXEC);

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

void ModbusGateway::serveClient(int fd, bool& keep)
{
    modbus_set_socket(modbus_->context, fd);
    std::uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    const int length = modbus_receive(modbus_->context, query);
    if (length == 0)
        return; // not for us; libmodbus already passed over it
    if (length < 0) {
        keep = false;
        return;
    }
    const int header = modbus_get_header_length(modbus_->context);
    const int function = query[header];
    if (modbus_reply(modbus_->context, query, length, modbus_->mapping) < 0) {
        keep = false;
        return;
    }
    ++counts_.requests;
    if ((function != FunctionWriteSingle && function != FunctionWriteMultiple) || length < header + 5)
        return;
    const std::size_t first = static_cast<std::size_t>(query[header + 1] << 8 | query[header + 2]);
    std::size_t count = 1;
    if (function == FunctionWriteMultiple) {
        count = static_cast<std::size_t>(query[header + 3] << 8 | query[header + 4]);
        // libmodbus answered a request beyond the table or too long with an exception.
        if (count < 1 || count > MODBUS_MAX_WRITE_REGISTERS || first + count > GatewayModel::RegisterCount)
            return;
    }
    for (const CanFrame& frame : model_.registersWritten(first, count)) {
        can_.send(frame);
        ++counts_.framesOut;
    }
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

    std::vector<int> clients;
    for (;;) {
        std::vector<pollfd> waits;
        waits.push_back({stopPipe[0], POLLIN, 0});
        waits.push_back({server_, POLLIN, 0});
        const int canInput = can_.inputDescriptor();
        if (canInput < 0 && stopAtEndOfInput)
            return;
        waits.push_back({canInput, POLLIN, 0}); // poll() passes over a negative descriptor
        for (const int client : clients)
            waits.push_back({client, POLLIN, 0});

        if (::poll(waits.data(), waits.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            throw Error(std::string("poll failed: ") + std::strerror(errno));
        }
        if (waits[0].revents != 0)
            return;
        if (waits[2].revents != 0)
            takeFrames();
        std::vector<int> kept;
        for (std::size_t i = 3; i < waits.size(); ++i) {
            bool keep = true;
            if (waits[i].revents != 0)
                serveClient(waits[i].fd, keep);
            if (keep)
                kept.push_back(waits[i].fd);
            else
                ::close(waits[i].fd);
        }
        if (waits[1].revents & POLLIN) {
            const int client = ::accept4(server_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0)
                kept.push_back(client);
        }
        clients = std::move(kept);
    }
}

} // namespace cravent::sim
