#include "FuzzCheck.h"
#include "FuzzScratch.h"
#include "core/common/Error.h"
#include "core/common/XmlCharacters.h"
#include "core/common/IntegerText.h"
#include "core/frames/CanType.h"
#include "core/common/Direction.h"
#include "core/frames/FrameList.h"
#include "core/frames/FrameMap.h"
#include "core/project/FrameFile.h"
#include "core/workspace/ProjectFolder.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <tuple>

namespace fs = std::filesystem;
using namespace cravent;
using namespace cravent::frames;
using cravent::project::Frame;
using cravent::project::MaxFrames;

namespace {

// The input holds the frame file, then this line, then the map file.
constexpr std::string_view Separator = "\n@@MAP@@\n";

using cravent::fuzz::putFile;

fs::path scratch()
{
    static const fs::path dir = cravent::fuzz::scratchFolder("framemap");
    return dir;
}

// A frame list that loads passes through the check, and what the editor saves loads again
// unchanged.
void checkFrameList(const fs::path& frameFile)
{
    std::vector<Frame> list;
    try {
        list = loadList(frameFile);
    } catch (const Error& error) {
        FUZZ_CHECK(error.what()[0] != '\0');
        return;
    }
    FUZZ_CHECK(list.size() <= MaxFrames);
    FUZZ_CHECK(listUpToFirstEmptyCobId(list).size() <= list.size());
    for (const CanType type : {CanType::A, CanType::B}) {
        const auto failure = checkList(list, type);
        // A failure names a row of the list.
        FUZZ_CHECK(!failure || (failure->row >= 1 && failure->row <= list.size()));
    }
    // A text XML cannot hold is read as it stands but never written back: the writer refuses it.
    bool writable = true;
    for (const auto& frame : list)
        for (const std::string* text : {&frame.cobId, &frame.dimension, &frame.mnemonic})
            writable = writable && !findXmlForbiddenCharacter(*text);
    const fs::path again = scratch() / "again.xml";
    if (!writable) {
        bool refused = false;
        try {
            project::writeFrames(again, list);
        } catch (const Error&) {
            refused = true;
        }
        FUZZ_CHECK(refused);
        return;
    }
    project::writeFrames(again, list);
    FUZZ_CHECK(loadList(again) == list);
}

struct Keyed {
    std::int32_t value;
    std::size_t frame;
    std::size_t position;
};

using Entries = std::vector<std::vector<std::pair<std::string, std::string>>>;

Entries entriesOf(const FrameMap& map)
{
    Entries all;
    for (const TClPdo& frame : map.frames()) {
        auto& list = all.emplace_back();
        for (const TClIndMB& entry : frame.entries)
            list.emplace_back(entry.index, entry.posComp);
        std::sort(list.begin(), list.end());
    }
    return all;
}

// The rows "OK" writes are the entries ordered by register index value, later editor entries
// first among equals; the saved file loads back to the same entries per frame.
void checkMap(const fs::path& frameFile, const fs::path& mapFile)
{
    FrameMap map;
    const MapLoadReport report = map.load(frameFile, mapFile);
    FUZZ_CHECK(map.frames().size() <= MaxFrames);
    FUZZ_CHECK(!report.frameFileError || report.frameFileError->starts_with(ErrorReadingPdoXml));
    FUZZ_CHECK(!report.mapFileError || report.mapFileError->starts_with(ErrorReadingSdoPdoXml));

    std::vector<Keyed> expected;
    for (std::size_t f = 0; f < map.frames().size(); ++f) {
        FUZZ_CHECK(map.frames()[f].number == static_cast<int>(f + 1));
        for (std::size_t p = 0; p < map.frames()[f].entries.size(); ++p) {
            const auto value = parseIntegerText(map.frames()[f].entries[p].index);
            if (!value) {
                try {
                    map.orderedRows();
                    FUZZ_CHECK(false); // an index that is not integer text stops the save
                } catch (const Error&) {
                }
                return;
            }
            expected.push_back({*value, f, p});
        }
    }
    std::sort(expected.begin(), expected.end(), [](const Keyed& a, const Keyed& b) {
        return std::tie(a.value, b.frame, b.position) < std::tie(b.value, a.frame, a.position);
    });
    const std::vector<project::MapRow> rows = map.orderedRows();
    FUZZ_CHECK(rows.size() == expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TClIndMB& entry = map.frames()[expected[i].frame].entries[expected[i].position];
        FUZZ_CHECK(rows[i].index == entry.index);
        FUZZ_CHECK(rows[i].posComp == entry.posComp);
        FUZZ_CHECK(rows[i].nrPdo == std::to_string(expected[i].frame + 1));
    }

    const fs::path saved = scratch() / "saved.xml";
    map.save(saved, Direction::Receive);
    FrameMap again;
    const MapLoadReport reread = again.load(frameFile, saved);
    FUZZ_CHECK(!reread.mapFileError);
    FUZZ_CHECK(entriesOf(again) == entriesOf(map));
    const std::vector<project::MapRow> rowsAgain = again.orderedRows();
    FUZZ_CHECK(rowsAgain.size() == rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        FUZZ_CHECK(toInteger(rowsAgain[i].index) == toInteger(rows[i].index));
}

} // namespace

// Any bytes as a frame file and a map file of one direction.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t split = bytes.find(Separator);
    const std::string_view frameBytes = bytes.substr(0, split);
    const std::string_view mapBytes =
        split == std::string_view::npos ? std::string_view() : bytes.substr(split + Separator.size());
    const fs::path frameFile = scratch() / names::ReceiveFrames;
    const fs::path mapFile = scratch() / names::ReceiveMap;
    putFile(frameFile, frameBytes);
    fs::remove(mapFile);
    if (split != std::string_view::npos)
        putFile(mapFile, mapBytes);
    checkFrameList(frameFile);
    checkMap(frameFile, mapFile);
    return 0;
}
