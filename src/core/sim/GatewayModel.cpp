#include "core/sim/GatewayModel.h"

#include <algorithm>

namespace cravent::sim {

namespace {

// The frame byte a selection nibble names: 1..8 for B1..B8; anything else, or a byte the frame
// did not carry, reads 0.
std::uint8_t selectedByte(const CanFrame& frame, unsigned nibble)
{
    if (nibble < 1 || nibble > 8 || nibble > frame.length)
        return 0;
    return frame.data[nibble - 1];
}

} // namespace

GatewayModel::GatewayModel(const image::DeviceConfiguration& configuration,
                           std::span<const std::uint8_t, image::BankSize> bank1)
    : can20A_(configuration.settings.can20A())
    , rxFrames_(configuration.rxFrames)
    , txFrames_(configuration.txFrames)
    , rxRegisters_(configuration.rxRegisters)
    , txByRegister_(RegisterCount)
    , txData_(configuration.txFrames.size())
{
    for (const image::DeviceRegister& row : configuration.txRegisters)
        txByRegister_[row.index].push_back(row);
    if (can20A_) {
        constexpr std::size_t Ids = image::HighestCobId20A + 1;
        indexTable_.resize(Ids);
        present_.resize(Ids);
        for (std::size_t id = 0; id < Ids; ++id) {
            const std::size_t at = image::RxIndexTable.offset + id * image::IndexEntrySize;
            indexTable_[id] = static_cast<std::uint16_t>(bank1[at] | bank1[at + 1] << 8);
            present_[id] = (bank1[image::RxPresenceMap.offset + id / 8] >> (id % 8) & 1) != 0;
        }
    }
}

std::optional<std::size_t> GatewayModel::receivePosition(const CanFrame& frame) const
{
    if (frame.extended == can20A_)
        return std::nullopt;
    if (can20A_) {
        if (frame.id >= indexTable_.size() || !present_[frame.id])
            return std::nullopt;
        const std::size_t position = indexTable_[frame.id];
        if (position == 0xFFFF || position >= rxFrames_.size())
            return std::nullopt;
        return position;
    }
    for (std::size_t i = rxFrames_.size(); i-- > 0;)
        if (rxFrames_[i].cobId == frame.id)
            return i;
    return std::nullopt;
}

bool GatewayModel::receive(const CanFrame& frame)
{
    const auto position = receivePosition(frame);
    if (!position)
        return false;
    const std::size_t number = *position + 1;
    for (const image::DeviceRegister& row : rxRegisters_) {
        if (row.nrPdo != number)
            continue;
        const unsigned high = row.posComp >> 4;
        const unsigned low = row.posComp & 0x0F;
        registers_[row.index] =
            static_cast<std::uint16_t>(selectedByte(frame, high) << 8 | selectedByte(frame, low));
    }
    return true;
}

std::vector<CanFrame> GatewayModel::registersWritten(std::size_t first, std::size_t count)
{
    std::vector<bool> touched(txFrames_.size());
    for (std::size_t r = first; r < first + count && r < RegisterCount; ++r) {
        const std::uint16_t value = registers_[r];
        for (const image::DeviceRegister& row : txByRegister_[r]) {
            if (row.nrPdo < 1 || row.nrPdo > txFrames_.size())
                continue;
            const std::size_t frame = row.nrPdo - 1u;
            const unsigned high = row.posComp >> 4;
            const unsigned low = row.posComp & 0x0F;
            if (high >= 1 && high <= 8)
                txData_[frame][high - 1] = static_cast<std::uint8_t>(value >> 8);
            if (low >= 1 && low <= 8)
                txData_[frame][low - 1] = static_cast<std::uint8_t>(value & 0xFF);
            touched[frame] = true;
        }
    }
    std::vector<CanFrame> frames;
    for (std::size_t i = 0; i < touched.size(); ++i) {
        if (!touched[i])
            continue;
        CanFrame frame;
        frame.id = txFrames_[i].cobId;
        frame.extended = !can20A_;
        frame.length = std::min<std::uint8_t>(txFrames_[i].length, 8);
        frame.data = txData_[i];
        frames.push_back(frame);
    }
    return frames;
}

} // namespace cravent::sim
