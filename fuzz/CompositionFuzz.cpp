#include "FuzzCheck.h"
#include "FuzzScratch.h"
#include "core/common/Error.h"
#include "core/common/TextLines.h"
#include "core/firmware/BankWindow.h"
#include "core/firmware/Composition.h"
#include "core/workspace/ProjectFolder.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;
using namespace cravent::firmware;

namespace {

using cravent::fuzz::putFile;

fs::path scratch()
{
    static const fs::path dir = [] {
        const fs::path d = cravent::fuzz::scratchFolder("compose");
        fs::create_directories(d / "bin");
        fs::create_directories(d / "out");
        return d;
    }();
    return dir;
}

// Each bank a different pattern, so that a bank in the wrong window or a shifted record shows.
const std::array<std::string, BankCount>& banks()
{
    static const std::array<std::string, BankCount> all = [] {
        std::array<std::string, BankCount> b;
        for (std::size_t k = 0; k < b.size(); ++k) {
            b[k].resize(BankSize);
            for (std::size_t i = 0; i < BankSize; ++i)
                b[k][i] = static_cast<char>((i * (2 * k + 3) + k * 41 + (i >> 8)) & 0xFF);
            putFile(scratch() / "bin" / cravent::names::bankFile(BankWindows[k].bank), b[k]);
        }
        return b;
    }();
    return all;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// An S1/S2/S3 data record decoded independently of the program's reader: its address and data,
// with the byte count and checksum verified.
struct DataRecord {
    std::uint32_t address = 0;
    std::string data;
};

std::optional<std::string> decodeBytes(std::string_view hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = hexDigit(hex[i]);
        const int lo = hexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes += static_cast<char>(hi * 16 + lo);
    }
    return bytes;
}

// Whether the record (without its line end) is a sound record, and its type digit.
std::optional<int> soundRecord(std::string_view line, std::string* payload)
{
    if (line.size() < 4 || line[0] != 'S' || line[1] < '0' || line[1] > '9')
        return std::nullopt;
    const auto bytes = decodeBytes(line.substr(2));
    if (!bytes || bytes->empty())
        return std::nullopt;
    const auto count = static_cast<unsigned char>((*bytes)[0]);
    if (count + 1u != bytes->size())
        return std::nullopt;
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < bytes->size(); ++i)
        sum += static_cast<unsigned char>((*bytes)[i]);
    if (static_cast<unsigned char>(~sum & 0xFF) != static_cast<unsigned char>(bytes->back()))
        return std::nullopt;
    if (payload)
        *payload = bytes->substr(1, bytes->size() - 2);
    return line[1] - '0';
}

std::optional<DataRecord> dataRecord(std::string_view line)
{
    std::string payload;
    const auto type = soundRecord(line, &payload);
    if (!type || *type < 1 || *type > 3)
        return std::nullopt;
    const std::size_t width = static_cast<std::size_t>(*type) + 1;
    if (payload.size() < width)
        return std::nullopt;
    DataRecord record;
    for (std::size_t i = 0; i < width; ++i)
        record.address = (record.address << 8) | static_cast<unsigned char>(payload[i]);
    record.data = payload.substr(width);
    return record;
}

std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    cravent::forEachLine(text, [&lines](std::string_view line) { lines.push_back(line); });
    return lines;
}

bool selectedWindowHolds(const BankSelection& selection, std::uint32_t address)
{
    for (const BankWindow& window : BankWindows)
        if (selection[static_cast<std::size_t>(window.bank - 1)] && window.holds(address))
            return true;
    return false;
}

std::string readAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The new firmware, decoded record by record: every line ends in CR LF and is a sound record;
// each selected window holds exactly its bank, once, in order; the data records outside the
// windows are the master's, in the master's order; count records count what precedes them.
void checkComposed(std::string_view master, std::string_view composed, const BankSelection& selection)
{
    FUZZ_CHECK(composed.empty() || composed.ends_with("\r\n"));
    std::vector<std::string_view> outside;
    for (std::string_view line : linesOf(master)) {
        const auto record = dataRecord(line);
        if (record && !selectedWindowHolds(selection, record->address))
            outside.push_back(line);
    }

    std::array<std::string, BankCount> windowBytes;
    std::array<std::uint32_t, BankCount> nextAddress{};
    for (const BankWindow& window : BankWindows)
        nextAddress[static_cast<std::size_t>(window.bank - 1)] = window.first;
    std::size_t outsideSeen = 0;
    std::size_t dataRecords = 0;
    bool ended = false;
    std::size_t position = 0;
    while (position < composed.size()) {
        const std::size_t end = composed.find("\r\n", position);
        FUZZ_CHECK(end != std::string_view::npos);
        const std::string_view line = composed.substr(position, end - position);
        FUZZ_CHECK(line.find('\n') == std::string_view::npos);
        position = end + 2;
        if (ended) {
            FUZZ_CHECK(line.empty()); // only blank lines follow the end record
            continue;
        }
        std::string payload;
        const auto type = soundRecord(line, &payload);
        if (!type) {
            // Free text the master held is copied as it stands; it never looks like a record.
            FUZZ_CHECK(!(line.size() >= 2 && line[0] == 'S' && line[1] >= '0' && line[1] <= '9'));
            continue;
        }
        if (*type >= 1 && *type <= 3) {
            const auto record = dataRecord(line);
            FUZZ_CHECK(record.has_value());
            ++dataRecords;
            bool inWindow = false;
            for (const BankWindow& window : BankWindows) {
                const auto k = static_cast<std::size_t>(window.bank - 1);
                if (!selection[k] || !window.holds(record->address))
                    continue;
                inWindow = true;
                FUZZ_CHECK(*type == 2);
                FUZZ_CHECK(record->address == nextAddress[k]); // contiguous, no gap, no repeat
                FUZZ_CHECK(record->data.size() == RecordDataBytes);
                windowBytes[k] += record->data;
                nextAddress[k] += static_cast<std::uint32_t>(record->data.size());
            }
            if (!inWindow) {
                FUZZ_CHECK(outsideSeen < outside.size());
                FUZZ_CHECK(line == outside[outsideSeen]);
                ++outsideSeen;
            }
        } else if (*type == 5 || *type == 6) {
            const std::size_t width = *type == 5 ? 2 : 3;
            FUZZ_CHECK(payload.size() >= width);
            std::uint32_t count = 0;
            for (std::size_t i = 0; i < width; ++i)
                count = (count << 8) | static_cast<unsigned char>(payload[i]);
            FUZZ_CHECK(count == dataRecords);
        } else if (*type >= 7) {
            ended = true;
        }
    }
    FUZZ_CHECK(ended);
    FUZZ_CHECK(outsideSeen == outside.size());
    for (const BankWindow& window : BankWindows) {
        const auto k = static_cast<std::size_t>(window.bank - 1);
        if (selection[k])
            FUZZ_CHECK(windowBytes[k] == banks()[k]);
    }
}

void compose(std::string_view master, const BankSelection& selection)
{
    const fs::path masterFile = scratch() / "master.s19";
    const fs::path outDir = scratch() / "out";
    putFile(masterFile, master);
    CompositionInputs inputs{masterFile, scratch() / "bin", "new.s19", outDir, selection};
    try {
        const fs::path written = composeFirmware(inputs);
        FUZZ_CHECK(written == inputs.newFirmwarePath());
        checkComposed(master, readAll(written), selection);
    } catch (const cravent::Error& error) {
        FUZZ_CHECK(error.what()[0] != '\0');
        FUZZ_CHECK(fs::is_empty(outDir)); // refused: nothing written, no scratch file left
    }
    fs::remove_all(outDir);
    fs::create_directories(outDir);
}

} // namespace

// Any bytes as the master firmware, with the gateway's two banks and with all five: a
// composition either succeeds with a firmware that holds the banks and the master's other
// records, or is refused with a message and writes nothing.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    banks();
    const std::string_view master(reinterpret_cast<const char*>(data), size);
    compose(master, banksOfGatewayModel(3));
    compose(master, BankSelection{true, true, true, true, true});
    return 0;
}
