#include "FuzzCheck.h"
#include "core/common/Error.h"
#include "core/common/XmlCharacters.h"
#include "core/project/FrameFile.h"
#include "core/project/MapFile.h"
#include "core/project/PargenFile.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::string scratchFile(const char* name)
{
    return "/tmp/cravent-fuzz-" + std::to_string(::getpid()) + "-" + name;
}

void put(const std::string& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <typename Read>
bool readOrRefuse(const std::string& file, Read read)
{
    try {
        read(file);
        return true;
    } catch (const cravent::Error&) {
        return false; // refused with a message: fine
    }
}

} // namespace

// Any bytes given as a project file are either refused with a message or read; frames and map
// rows that were read and had all their values are written back and read again unchanged.
// Whether writing refused its text with the writer's own message.
template <class Write>
bool refusedToWrite(Write write)
{
    try {
        write();
    } catch (const cravent::Error&) {
        return true;
    }
    return false;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string file = scratchFile("in.xml");
    const std::string again = scratchFile("again.xml");
    put(file, bytes);

    readOrRefuse(file, [](const std::string& f) { cravent::project::readPargen(f); });

    cravent::project::StoredFrameFile framesRead;
    if (readOrRefuse(file, [&](const std::string& f) { framesRead = cravent::project::readFrames(f); })) {
        std::vector<cravent::project::Frame> frames;
        for (const auto& row : framesRead.rows)
            if (row.cobId && row.dimension && row.mnemonic)
                frames.push_back({*row.cobId, *row.dimension, *row.mnemonic});
        // A text XML cannot hold is read as it stands but never written back: the writer
        // refuses it, and the round trip holds for every other list.
        bool writable = true;
        for (const auto& frame : frames)
            for (const std::string* text : {&frame.cobId, &frame.dimension, &frame.mnemonic})
                writable = writable && !cravent::findXmlForbiddenCharacter(*text);
        if (!writable) {
            FUZZ_CHECK(refusedToWrite([&] { cravent::project::serialiseFrames(frames); }));
        } else {
            put(again, cravent::project::serialiseFrames(frames));
            const auto reread = cravent::project::readFrames(again);
            FUZZ_CHECK(reread.rows.size() == frames.size());
            for (std::size_t i = 0; i < frames.size(); ++i) {
                FUZZ_CHECK(reread.rows[i].cobId == frames[i].cobId);
                FUZZ_CHECK(reread.rows[i].dimension == frames[i].dimension);
                FUZZ_CHECK(reread.rows[i].mnemonic == frames[i].mnemonic);
            }
        }
    }

    cravent::project::StoredMapFile mapRead;
    if (readOrRefuse(file, [&](const std::string& f) { mapRead = cravent::project::readMap(f); })) {
        std::vector<cravent::project::MapRow> rows;
        bool writable = true;
        for (const auto& row : mapRead.rows)
            if (row.index && row.nrPdo && row.posComp) {
                rows.push_back({*row.index, *row.nrPdo, *row.posComp});
                for (const std::string* text : {&*row.index, &*row.nrPdo, &*row.posComp})
                    writable = writable && !cravent::findXmlForbiddenCharacter(*text);
            }
        if (!writable) {
            FUZZ_CHECK(refusedToWrite([&] {
                cravent::project::serialiseMap(cravent::project::ReceiveMapRootName, rows);
            }));
        } else {
            put(again, cravent::project::serialiseMap(cravent::project::ReceiveMapRootName, rows));
            const auto reread = cravent::project::readMap(again);
            FUZZ_CHECK(reread.rootName == cravent::project::ReceiveMapRootName);
            FUZZ_CHECK(reread.rows.size() == rows.size());
            for (std::size_t i = 0; i < rows.size(); ++i)
                FUZZ_CHECK(reread.rows[i].index == rows[i].index && reread.rows[i].posComp == rows[i].posComp);
        }
    }
    return 0;
}
