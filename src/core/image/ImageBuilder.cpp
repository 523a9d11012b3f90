#include "core/image/ImageBuilder.h"

#include "core/common/Error.h"
#include "core/common/FileError.h"
#include "core/common/FileLookup.h"
#include "core/common/IntegerText.h"
#include "core/project/FrameFile.h"
#include "core/project/MapFile.h"
#include "core/project/PargenFile.h"
#include "core/workspace/ProjectFolder.h"

#include <optional>
#include <string>

namespace cravent::image {

namespace fs = std::filesystem;

namespace {

using Text = std::optional<std::string>;

// Where a value stands in a project file; the text is made only for a message.
struct Place {
    const fs::path& file;
    std::optional<std::size_t> row; // 0-based; shown 1-based as in the frame list editor

    std::string describe() const
    {
        std::string text = "File \"" + file.string() + "\"";
        if (row)
            text += ", row " + std::to_string(*row + 1);
        return text;
    }

    [[noreturn]] void fail(const std::string& reason) const
    {
        throw FileError(file, row ? std::optional<std::size_t>(*row + 1) : std::nullopt,
                        describe() + reason);
    }
};

std::int32_t integerOf(const Text& text, const Place& place, const char* kind, const char* name,
                       const char* owner = nullptr)
{
    const auto what = [&] {
        std::string s = std::string(kind) + " \"" + name + "\"";
        if (owner)
            s += std::string(" of element \"") + owner + "\"";
        return s;
    };
    if (!text)
        place.fail(": " + what() + " is missing");
    if (const auto value = parseIntegerText(*text))
        return *value;
    place.fail(", " + what() + ": " + invalidIntegerMessage(*text));
}

std::int32_t attributeOf(const Text& text, const Place& place, const char* name)
{
    return integerOf(text, place, "attribute", name);
}

std::int32_t elementOf(const Text& text, const Place& place, const char* name)
{
    return integerOf(text, place, "element", name);
}

// Stored fields keep the low-order bits of the value, as the device has always been given them.
std::uint32_t bits(std::int32_t value)
{
    return static_cast<std::uint32_t>(value);
}

void checkRowCount(const fs::path& file, std::size_t rows, std::size_t capacity)
{
    if (rows > capacity)
        Place{file, capacity}.fail(": more rows than the configuration image holds (at most " +
                                   std::to_string(capacity) + ")");
}

std::uint16_t placeFrames(ConfigImage& image, const fs::path& file, Direction direction,
                          bool can20A)
{
    const bool receive = direction == Direction::Receive;
    const Region& table = can20A ? (receive ? RxFrameTable20A : TxFrameTable20A)
                                 : (receive ? RxFrameTable20B : TxFrameTable20B);
    const std::size_t entrySize =
        can20A ? FrameEntrySize20A : (receive ? RxFrameEntrySize20B : TxFrameEntrySize20B);

    const project::StoredFrameFile stored = project::readFrames(file);
    checkRowCount(file, stored.rows.size(), table.capacity(entrySize));
    for (std::size_t i = 0; i < stored.rows.size(); ++i) {
        const project::StoredFrameRow& row = stored.rows[i];
        const Place place{file, i};
        const std::int32_t cobId = attributeOf(row.cobId, place, "CobID");
        const std::int32_t length = attributeOf(row.dimension, place, "Dimensin");
        const std::size_t at = i * entrySize;
        if (can20A) {
            // An 11-bit identifier indexes the receive index table and presence map.
            if (cobId < 0 || cobId > HighestCobId20A)
                place.fail(": COB-ID '" + *row.cobId +
                           "' is outside 0 to 2047, the CAN 2.0A identifiers");
            if (receive) {
                const auto id = static_cast<std::size_t>(cobId);
                image.put16(RxIndexTable, id * IndexEntrySize, static_cast<std::uint32_t>(i));
                image.setBit(RxPresenceMap, id);
            }
            image.put16(table, at, bits(cobId));
            image.put8(table, at + 2, bits(length));
        } else {
            image.put32(table, at, bits(cobId));
            image.put8(table, at + 4, bits(length));
            if (receive)
                image.put8(table, at + 5, static_cast<std::uint32_t>(i));
        }
    }
    return static_cast<std::uint16_t>(stored.rows.size());
}

std::uint16_t placeRegisters(ConfigImage& image, const fs::path& file, const Region& map)
{
    const project::StoredMapFile stored = project::readMap(file);
    checkRowCount(file, stored.rows.size(), map.capacity(RegisterEntrySize));
    for (std::size_t i = 0; i < stored.rows.size(); ++i) {
        const project::StoredMapRow& row = stored.rows[i];
        const Place place{file, i};
        const std::size_t at = i * RegisterEntrySize;
        image.put16(map, at, bits(attributeOf(row.index, place, "Index")));
        image.put8(map, at + 2, bits(attributeOf(row.nrPdo, place, "NrPdo")));
        image.put8(map, at + 3, bits(attributeOf(row.posComp, place, "PosComp")));
    }
    return static_cast<std::uint16_t>(stored.rows.size());
}

struct Counts {
    std::uint16_t rxFrames = 0;
    std::uint16_t txFrames = 0;
    std::uint16_t rxRegisters = 0;
    std::uint16_t txRegisters = 0;
};

void writeCommBlock(ConfigImage& image, const fs::path& file, const project::StoredPargen& settings,
                    const Counts& counts)
{
    static const char* const IpNames[4] = {"IPB1", "IPB2", "IPB3", "IPB4"};
    static const char* const MaskNames[4] = {"SMB1", "SMB2", "SMB3", "SMB4"};
    const Place place{file, std::nullopt};

    // The settings store the 0-based list index of the bit rate, -1 for none; the device counts
    // from 1 and takes 0 as none.
    image.put8(CommBlock, comm::BitRateCode,
               bits(elementOf(settings.baudRateCan, place, "BaudRateCAN")) + 1u);
    image.put8(CommBlock, comm::CanType, bits(elementOf(settings.canType, place, "CANType")));
    for (std::size_t k = 0; k < 4; ++k)
        image.put8(CommBlock, comm::Ip + k,
                   bits(integerOf(settings.ip[k], place, "attribute", IpNames[k], "ADD_IP")));
    for (std::size_t k = 0; k < 4; ++k)
        image.put8(CommBlock, comm::Mask + k,
                   bits(integerOf(settings.mask[k], place, "attribute", MaskNames[k], "SUBNET")));
    image.put16(CommBlock, comm::Port, bits(elementOf(settings.port, place, "Port")));
    image.put16(CommBlock, comm::RxFrameCount, counts.rxFrames);
    image.put16(CommBlock, comm::TxFrameCount, counts.txFrames);
    image.put16(CommBlock, comm::RxRegisterCount, counts.rxRegisters);
    image.put16(CommBlock, comm::TxRegisterCount, counts.txRegisters);
}

} // namespace

ConfigImage BuildConfigImage(const fs::path& projectDir, const BuildMoment& moment)
{
    ConfigImage image;
    image.fill(RxIndexTable, 0xFF);

    // Without settings the frames take the CAN 2.0A layout and the communication block is left out.
    // Only "no such file" leaves a file out: one that is there but cannot be looked at stops
    // the build like one that cannot be read.
    const ProjectFolder project(projectDir);
    const fs::path settingsFile = project.pargen();
    std::optional<project::StoredPargen> settings;
    bool can20A = true;
    if (isPresent(settingsFile)) {
        settings = project::readPargen(settingsFile);
        const std::int32_t canType =
            elementOf(settings->canType, Place{settingsFile, std::nullopt}, "CANType");
        can20A = (bits(canType) & 0xFFu) == 0;
    }

    Counts counts;
    const auto each = [](const fs::path& file, auto&& place) {
        if (isPresent(file))
            place(file);
    };
    each(project.frameFile(Direction::Receive), [&](const fs::path& file) {
        counts.rxFrames = placeFrames(image, file, Direction::Receive, can20A);
    });
    each(project.frameFile(Direction::Transmit), [&](const fs::path& file) {
        counts.txFrames = placeFrames(image, file, Direction::Transmit, can20A);
    });
    each(project.mapFile(Direction::Receive), [&](const fs::path& file) {
        counts.rxRegisters = placeRegisters(image, file, RxRegisterMap);
    });
    each(project.mapFile(Direction::Transmit), [&](const fs::path& file) {
        counts.txRegisters = placeRegisters(image, file, TxRegisterMap);
    });

    if (settings)
        writeCommBlock(image, settingsFile, *settings, counts);

    image.put16(CommBlock, comm::BuildDate, PackBuildDate(moment));
    image.put16(CommBlock, comm::BuildTime, PackBuildTime(moment));
    return image;
}

} // namespace cravent::image
