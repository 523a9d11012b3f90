#include "core/project/FrameFile.h"

#include "core/common/FileIo.h"
#include "core/project/ProjectXml.h"

namespace cravent::frames {

namespace {

const std::initializer_list<const char*> Attributes = {"CobID", "Dimensin", "Mnemonic"};

} // namespace

StoredFile read(const std::filesystem::path& file)
{
    return xml::readThreeValueRows<StoredFile>(file, Attributes);
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
