#pragma once

#include "core/sim/GatewayModel.h"
#include "tools/sim/CanPort.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cravent::sim {

struct SimCounts {
    std::uint64_t framesIn = 0;
    std::uint64_t framesOut = 0;
    std::uint64_t requests = 0;
    std::uint64_t unknownCobIds = 0;
};

// What one client may take of the server, so that no client can hold up the others.
struct ClientLimits {
    // From a request's first byte to its last.
    std::chrono::milliseconds requestDeadline{2000};
    // Open connections; at the limit a new one replaces the connection idle longest.
    std::size_t connections = 256;
    // Answers waiting for a client that does not read them.
    std::size_t waitingBytes = 64 * 1024;
};

// Serves the model's registers over Modbus TCP (function codes 3 and 4 read; 6, 16, 22 and 23
// write; any unit id; many clients at once) and joins it to the CAN port, in one thread: every wait
// is one poll() over the listening socket, the clients, the CAN input and the stop signal.
// Clients are served without blocking: requests are cut by their header's length under a
// deadline, libmodbus decodes them and builds the answers, which wait in a bounded buffer.
class ModbusGateway {
public:
    ModbusGateway(GatewayModel& model, CanPort& can, ClientLimits limits = {});
    ~ModbusGateway();
    ModbusGateway(const ModbusGateway&) = delete;
    ModbusGateway& operator=(const ModbusGateway&) = delete;

    // Listens on address:port. Throws Error with the system's reason.
    void listen(const std::string& address, int port);

    // Runs until SIGINT or SIGTERM, or, with `stopAtEndOfInput`, until the CAN input ends.
    void run(bool stopAtEndOfInput);

    const SimCounts& counts() const { return counts_; }

private:
    struct Client;
    using Clock = std::chrono::steady_clock;

    void takeFrames();
    void acceptClients();
    void readFrom(Client& client);
    void answer(Client& client, const std::uint8_t* request, std::size_t length, bool lengthsAgree);
    void sendWrittenFrames(const std::uint8_t* query, const std::uint8_t* reply);
    void flush(Client& client);
    void drop(Client& client, const std::string& why);
    int waitMilliseconds() const;

    GatewayModel& model_;
    CanPort& can_;
    ClientLimits limits_;
    struct Libmodbus;
    std::unique_ptr<Libmodbus> modbus_;
    int server_ = -1;
    // A descriptor held back, so that a connection can still be taken and closed when the
    // process has no other left; otherwise the waiting connection would wake poll() forever.
    int spare_ = -1;
    std::vector<std::unique_ptr<Client>> clients_;
    bool toldOfLimit_ = false;
    SimCounts counts_;
};

} // namespace cravent::sim
