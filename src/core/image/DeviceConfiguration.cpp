#include "core/image/DeviceConfiguration.h"

#include <cstdio>

namespace cravent::image {

namespace {

using Bank = std::span<const std::uint8_t, BankSize>;

std::uint32_t get8(Bank bank, std::size_t at)
{
    return bank[at];
}

std::uint32_t get16(Bank bank, std::size_t at)
{
    return static_cast<std::uint32_t>(bank[at]) | static_cast<std::uint32_t>(bank[at + 1]) << 8;
}

std::uint32_t get32(Bank bank, std::size_t at)
{
    return get16(bank, at) | get16(bank, at + 2) << 16;
}

std::string hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// The entries to read: the count, or the table's capacity when the count is beyond it.
std::size_t readable(std::uint16_t count, std::size_t capacity, const char* what,
                     std::vector<std::string>& inconsistencies)
{
    if (count <= capacity)
        return count;
    inconsistencies.push_back("The " + std::string(what) + " count " + std::to_string(count) +
                              " is beyond the table's capacity of " + std::to_string(capacity) +
                              ".");
    return capacity;
}

std::vector<DeviceRegister> readRegisters(Bank bank, const Region& map, std::size_t count)
{
    std::vector<DeviceRegister> rows;
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = map.offset + i * RegisterEntrySize;
        rows.push_back({static_cast<std::uint16_t>(get16(bank, at)),
                        static_cast<std::uint8_t>(get8(bank, at + 2)),
                        static_cast<std::uint8_t>(get8(bank, at + 3))});
    }
    return rows;
}

std::vector<DeviceFrame> readFrames(Bank bank, const Region& table, std::size_t entrySize,
                                    bool wide, std::size_t count)
{
    std::vector<DeviceFrame> frames;
    frames.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = table.offset + i * entrySize;
        frames.push_back({wide ? get32(bank, at) : get16(bank, at),
                          static_cast<std::uint8_t>(get8(bank, at + (wide ? 4 : 2)))});
    }
    return frames;
}

// The index table and presence map must name exactly the received frames, the later of two
// frames with one COB-ID winning.
void checkIndex(Bank bank1, const std::vector<DeviceFrame>& frames,
                std::vector<std::string>& inconsistencies)
{
    constexpr std::size_t Ids = HighestCobId20A + 1;
    std::array<std::uint32_t, Ids> expected;
    expected.fill(0xFFFF);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].cobId > HighestCobId20A)
            inconsistencies.push_back("Receive frame " + std::to_string(i) + " has the COB-ID " +
                                      hex(frames[i].cobId) +
                                      ", beyond 0x7FF, the highest CAN 2.0A identifier.");
        else
            expected[frames[i].cobId] = static_cast<std::uint32_t>(i);
    }
    for (std::size_t id = 0; id < Ids; ++id) {
        const std::uint32_t entry = get16(bank1, RxIndexTable.offset + id * IndexEntrySize);
        if (entry != expected[id]) {
            std::string text = "The index table entry of COB-ID " + hex(static_cast<std::uint32_t>(id)) +
                               " holds " + (entry == 0xFFFF ? "no frame" : "frame " + std::to_string(entry));
            text += expected[id] == 0xFFFF
                        ? ", but no receive frame has this COB-ID."
                        : ", but the receive frame table has it at position " +
                              std::to_string(expected[id]) + ".";
            inconsistencies.push_back(text);
        }
        const bool present = (get8(bank1, RxPresenceMap.offset + id / 8) >> (id % 8) & 1u) != 0;
        if (present != (expected[id] != 0xFFFF))
            inconsistencies.push_back("The presence bit of COB-ID " + hex(static_cast<std::uint32_t>(id)) +
                                      (present ? " is set, but no receive frame has this COB-ID."
                                               : " is clear, but the receive frame table holds it."));
    }
}

void checkPositions(Bank bank1, std::size_t count, std::vector<std::string>& inconsistencies)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t position = get8(bank1, RxFrameTable20B.offset + i * RxFrameEntrySize20B + 5);
        if (position != (i & 0xFFu))
            inconsistencies.push_back("Receive frame " + std::to_string(i) + " holds the position " +
                                      std::to_string(position) + ", not its own index " +
                                      std::to_string(i & 0xFFu) + ".");
    }
}

} // namespace

std::optional<int> DeviceSettings::kbitPerSecond() const
{
    if (bitRateCode == 0 || bitRateCode > BitRatesKbit.size())
        return std::nullopt;
    return BitRatesKbit[bitRateCode - 1u];
}

BuildMoment unpackBuildStamp(std::uint16_t dateWord, std::uint16_t timeWord)
{
    BuildMoment moment;
    moment.day = dateWord >> 11;
    moment.month = (dateWord >> 7) & 0x0F;
    moment.year = 2000 + (dateWord & 0x7F);
    moment.second = (timeWord >> 11) * 2;
    moment.minute = (timeWord >> 5) & 0x3F;
    moment.hour = timeWord & 0x1F;
    return moment;
}

DeviceConfiguration readConfiguration(Bank bank1, Bank bank2)
{
    DeviceConfiguration config;
    const std::size_t comm = CommBlock.offset;
    for (std::size_t at = comm; at < comm + comm::BuildDate; ++at)
        config.hasSettings = config.hasSettings || bank1[at] != 0;

    DeviceSettings& s = config.settings;
    s.bitRateCode = bank1[comm + comm::BitRateCode];
    s.canType = bank1[comm + comm::CanType];
    for (std::size_t k = 0; k < 4; ++k) {
        s.ip[k] = bank1[comm + comm::Ip + k];
        s.mask[k] = bank1[comm + comm::Mask + k];
    }
    s.port = static_cast<std::uint16_t>(get16(bank1, comm + comm::Port));
    DeviceCounts& c = config.counts;
    c.rxFrames = static_cast<std::uint16_t>(get16(bank1, comm + comm::RxFrameCount));
    c.txFrames = static_cast<std::uint16_t>(get16(bank1, comm + comm::TxFrameCount));
    c.rxRegisters = static_cast<std::uint16_t>(get16(bank1, comm + comm::RxRegisterCount));
    c.txRegisters = static_cast<std::uint16_t>(get16(bank1, comm + comm::TxRegisterCount));
    config.dateWord = static_cast<std::uint16_t>(get16(bank1, comm + comm::BuildDate));
    config.timeWord = static_cast<std::uint16_t>(get16(bank1, comm + comm::BuildTime));
    config.built = unpackBuildStamp(config.dateWord, config.timeWord);
    if (!config.hasSettings)
        return config;

    auto& problems = config.inconsistencies;
    const bool a = s.can20A();
    const Region& rxTable = a ? RxFrameTable20A : RxFrameTable20B;
    const Region& txTable = a ? TxFrameTable20A : TxFrameTable20B;
    const std::size_t rxSize = a ? FrameEntrySize20A : RxFrameEntrySize20B;
    const std::size_t txSize = a ? FrameEntrySize20A : TxFrameEntrySize20B;
    const std::size_t rx = readable(c.rxFrames, rxTable.capacity(rxSize), "received frame", problems);
    const std::size_t tx = readable(c.txFrames, txTable.capacity(txSize), "transmitted frame", problems);
    const std::size_t rxMap = readable(c.rxRegisters, RxRegisterMap.capacity(RegisterEntrySize),
                                       "receive register", problems);
    const std::size_t txMap = readable(c.txRegisters, TxRegisterMap.capacity(RegisterEntrySize),
                                       "transmit register", problems);

    config.rxFrames = readFrames(a ? bank2 : bank1, rxTable, rxSize, !a, rx);
    config.txFrames = readFrames(bank2, txTable, txSize, !a, tx);
    config.rxRegisters = readRegisters(bank1, RxRegisterMap, rxMap);
    config.txRegisters = readRegisters(bank2, TxRegisterMap, txMap);
    // With a receive count beyond its table, which entries are frames is not known.
    if (rx < c.rxFrames)
        return config;
    if (a)
        checkIndex(bank1, config.rxFrames, problems);
    else
        checkPositions(bank1, rx, problems);
    return config;
}

DeviceConfiguration readConfiguration(const ConfigImage& image)
{
    return readConfiguration(image.bank(1), image.bank(2));
}

} // namespace cravent::image
