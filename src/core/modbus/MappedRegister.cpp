#include "core/modbus/MappedRegister.h"

namespace cravent::modbus {

namespace {

void append(std::vector<MappedRegister>& rows, Direction direction,
            const std::vector<image::DeviceRegister>& map, const std::vector<image::DeviceFrame>& frames)
{
    for (const image::DeviceRegister& entry : map) {
        MappedRegister row{direction, entry.index, entry.nrPdo, std::nullopt, entry.posComp};
        if (entry.nrPdo >= 1 && entry.nrPdo <= frames.size())
            row.cobId = frames[entry.nrPdo - 1u].cobId;
        rows.push_back(row);
    }
}

} // namespace

std::vector<MappedRegister> mappedRegisters(const image::DeviceConfiguration& config)
{
    std::vector<MappedRegister> rows;
    append(rows, Direction::Receive, config.rxRegisters, config.rxFrames);
    append(rows, Direction::Transmit, config.txRegisters, config.txFrames);
    return rows;
}

} // namespace cravent::modbus
