#pragma once

#include "core/image/ConfigImage.h"
#include "core/image/DeviceConfiguration.h"
#include "core/sim/CanFrame.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace cravent::sim {

// A model of the gateway built from its configuration image: what a received CAN frame does to
// the Modbus registers, and which CAN frames a register write sends. It follows the image's
// meaning and makes these choices where the image leaves them open:
// - a CAN 2.0A gateway takes standard frames only, a 2.0B gateway extended frames only;
// - a 2.0A frame is found through the index table and the presence map, a 2.0B frame in the
//   receive frame table, where the later of two entries with one COB-ID wins;
// - a register byte taken from a position beyond the received frame's length, or from a byte
//   selection of 0 or above 8, reads 0;
// - transmitted frames keep their bytes between writes (all 0 at start), and a write request
//   sends each frame it touched once, with the frame's configured data length;
// - map rows whose frame number names no frame do nothing.
class GatewayModel {
public:
    static constexpr std::size_t RegisterCount = 65536;

    GatewayModel(const image::DeviceConfiguration& configuration,
                 std::span<const std::uint8_t, image::BankSize> bank1);

    bool can20A() const { return can20A_; }

    // Applies a frame from the bus; false when the gateway does not receive its COB-ID.
    bool receive(const CanFrame& frame);

    // After registers first .. first + count - 1 were written into registers(): the frames the
    // write sends, in frame order.
    std::vector<CanFrame> registersWritten(std::size_t first, std::size_t count);

    // The one table of 16-bit registers that Modbus reads and writes.
    std::span<std::uint16_t, RegisterCount> registers() { return registers_; }
    std::span<const std::uint16_t, RegisterCount> registers() const { return registers_; }

private:
    std::optional<std::size_t> receivePosition(const CanFrame& frame) const;

    bool can20A_ = true;
    std::vector<image::DeviceFrame> rxFrames_;
    std::vector<image::DeviceFrame> txFrames_;
    std::vector<image::DeviceRegister> rxRegisters_;
    // Per register index, the transmit map rows that carry it.
    std::vector<std::vector<image::DeviceRegister>> txByRegister_;
    std::vector<std::uint16_t> indexTable_; // 2.0A: frame position per COB-ID, 0xFFFF none
    std::vector<bool> present_;             // 2.0A: presence bit per COB-ID
    std::vector<std::array<std::uint8_t, 8>> txData_;
    std::array<std::uint16_t, RegisterCount> registers_{};
};

} // namespace cravent::sim
