#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace cravent::image {

// The configuration as the gateway takes it: five banks of 16 KB, read by the device at fixed
// offsets. Multi-byte fields are little-endian.
inline constexpr std::size_t BankSize = 16384;
inline constexpr int BankCount = 5;

// A run of bytes in one bank that holds one table or block.
struct Region {
    int bank;           // 1 to BankCount
    std::size_t offset; // within the bank
    std::size_t size;   // in bytes

    constexpr std::size_t end() const { return offset + size; }
    constexpr std::size_t capacity(std::size_t entrySize) const { return size / entrySize; }
};

// Entry sizes.
inline constexpr std::size_t IndexEntrySize = 2;      // RxIndexTable: one 16-bit frame position
inline constexpr std::size_t FrameEntrySize20A = 3;   // COB-ID (16), data length (8)
inline constexpr std::size_t RxFrameEntrySize20B = 6; // COB-ID (32), data length (8), position (8)
inline constexpr std::size_t TxFrameEntrySize20B = 5; // COB-ID (32), data length (8)
inline constexpr std::size_t RegisterEntrySize = 4;   // Index (16), NrPdo (8), PosComp (8)

inline constexpr int HighestCobId20A = 2047;

// Bank 1.
inline constexpr Region RxIndexTable{1, 0, 4096};    // 2048 frame positions, 0xFFFF = none
inline constexpr Region RxPresenceMap{1, 4096, 256}; // one bit per 2.0A COB-ID
inline constexpr Region RxFrameTable20B{1, 0, 4352}; // over the two above: 725 entries
inline constexpr Region RxRegisterMap{1, 4352, 2912 * RegisterEntrySize};
inline constexpr Region CommBlock{1, 16000, 24};
// Bank 2.
inline constexpr Region RxFrameTable20A{2, 0, 250 * FrameEntrySize20A};
inline constexpr Region TxFrameTable20A{2, 750, 250 * FrameEntrySize20A};
inline constexpr Region TxFrameTable20B{2, 0, 300 * TxFrameEntrySize20B};
inline constexpr Region TxRegisterMap{2, 1500, 3721 * RegisterEntrySize};

// Fields of the communication block, as offsets within it.
namespace comm {
inline constexpr std::size_t BitRateCode = 0;
inline constexpr std::size_t CanType = 1;
inline constexpr std::size_t Ip = 2;   // four octets in order
inline constexpr std::size_t Mask = 6; // four octets in order
inline constexpr std::size_t Port = 10;
inline constexpr std::size_t RxFrameCount = 12;
inline constexpr std::size_t TxFrameCount = 14;
inline constexpr std::size_t RxRegisterCount = 16;
inline constexpr std::size_t TxRegisterCount = 18;
inline constexpr std::size_t BuildDate = 20;
inline constexpr std::size_t BuildTime = 22;
} // namespace comm

static_assert(RxIndexTable.size == (HighestCobId20A + 1) * IndexEntrySize);
static_assert(RxPresenceMap.size * 8 == HighestCobId20A + 1);
static_assert(RxFrameTable20B.end() == RxRegisterMap.offset);
static_assert(RxRegisterMap.end() == CommBlock.offset);
static_assert(CommBlock.end() <= BankSize);
static_assert(RxFrameTable20A.end() == TxFrameTable20A.offset);
static_assert(TxFrameTable20A.end() == TxRegisterMap.offset);
static_assert(TxFrameTable20B.end() == TxRegisterMap.offset);
static_assert(TxRegisterMap.end() == BankSize);

// The five banks, all zero when made. Every write names its region and an offset within it, and
// a write that would reach past the region throws std::out_of_range before touching a byte:
// a table can never spill into its neighbour or past its bank.
class ConfigImage {
public:
    ConfigImage();

    // Bank n, 1 to BankCount.
    std::span<const std::uint8_t, BankSize> bank(int n) const;

    void fill(const Region& region, std::uint8_t value);
    // The low-order bits of `value`, least significant byte first.
    void put8(const Region& region, std::size_t at, std::uint32_t value);
    void put16(const Region& region, std::size_t at, std::uint32_t value);
    void put32(const Region& region, std::size_t at, std::uint32_t value);
    // Bit `bit` of the region, counting from the least significant bit of its first byte.
    void setBit(const Region& region, std::size_t bit);

private:
    std::uint8_t* place(const Region& region, std::size_t at, std::size_t width);
    void put(const Region& region, std::size_t at, std::uint32_t value, std::size_t width);

    std::vector<std::uint8_t> bytes_;
};

} // namespace cravent::image
