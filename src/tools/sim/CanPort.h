#pragma once

#include "core/sim/CanFrame.h"

#include <memory>
#include <string>
#include <vector>

namespace cravent::sim {

// The virtual gateway's CAN side: candump text on standard input and output, or a raw
// SocketCAN socket where the kernel has one.
class CanPort {
public:
    virtual ~CanPort() = default;
    // The descriptor to wait on for frames; -1 once the input has ended.
    virtual int inputDescriptor() const = 0;
    // Reads what is ready. Lines that are no frame are reported on stderr and passed over.
    virtual std::vector<CanFrame> readReady() = 0;
    virtual void send(const CanFrame& frame) = 0;
};

// "candump" or "socketcan:IFACE". Throws Error with the reason (a kernel without CAN sockets
// is named as such).
std::unique_ptr<CanPort> openCanPort(const std::string& choice);

} // namespace cravent::sim
