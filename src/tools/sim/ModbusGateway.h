#pragma once

#include "core/sim/GatewayModel.h"
#include "tools/sim/CanPort.h"

#include <cstdint>
#include <memory>
#include <string>

namespace cravent::sim {

struct SimCounts {
    std::uint64_t framesIn = 0;
    std::uint64_t framesOut = 0;
    std::uint64_t requests = 0;
    std::uint64_t unknownCobIds = 0;
};

// Serves the model's registers over Modbus TCP (function codes 3 and 4 read, 6 and 16 write,
// any unit id, many clients at once) and joins it to the CAN port, in one thread: every wait
// is one poll() over the listening socket, the clients, the CAN input and the stop signal.
class ModbusGateway {
public:
    ModbusGateway(GatewayModel& model, CanPort& can);
    ~ModbusGateway();
    ModbusGateway(const ModbusGateway&) = delete;
    ModbusGateway& operator=(const ModbusGateway&) = delete;

    // Listens on address:port. Throws Error with the system's reason.
    void listen(const std::string& address, int port);

    // Runs until SIGINT or SIGTERM, or, with `stopAtEndOfInput`, until the CAN input ends.
    void run(bool stopAtEndOfInput);

    const SimCounts& counts() const { return counts_; }

private:
    void serveClient(int fd, bool& keep);
    void takeFrames();

    GatewayModel& model_;
    CanPort& can_;
    struct Libmodbus;
    std::unique_ptr<Libmodbus> modbus_;
    int server_ = -1;
    SimCounts counts_;
};

} // namespace cravent::sim
