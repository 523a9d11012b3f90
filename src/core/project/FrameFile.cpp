#include "project/FrameFile.h"

#include "common/FileIo.h"
#include "project/ProjectXml.h"

namespace cravent::frames {

namespace {

const std::initializer_list<const char*> Attributes = {"CobID", "Dimensin", "Mnemonic"};

} // namespace

StoredFile read(const std::filesystem::path& file)
{
    xml::StoredTable table = xml::readTable(file, Attributes);
    StoredFile stored{std::move(table.rootName), {}};
    for (auto& values : table.rows)
        stored.rows.push_back({std::move(values[0]), std::move(values[1]), std::move(values[2])});
    return stored;
}

std::string serialise(const std::vector<Frame>& frames)
{
    std::vector<std::vector<std::string>> rows;
    for (const Frame& frame : frames)
        rows.push_back({frame.cobId, frame.dimension, frame.mnemonic});
    return xml::serialiseTable(RootName, Attributes, rows);
}

void write(const std::filesystem::path& file, const std::vector<Frame>& frames)
{
    writeFileAtomically(file, serialise(frames));
}

} // namespace cravent::frames
