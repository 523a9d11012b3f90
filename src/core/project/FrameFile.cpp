#include "core/project/FrameFile.h"

#include "core/common/FileIo.h"
#include "core/project/ProjectXml.h"

namespace cravent::project {

namespace {

const std::initializer_list<const char*> Attributes = {"CobID", "Dimensin", "Mnemonic"};

} // namespace

StoredFrameFile readFrames(const std::filesystem::path& file)
{
    return project::xml::readThreeValueRows<StoredFrameFile>(file, Attributes);
}

std::string serialiseFrames(const std::vector<Frame>& frames)
{
    std::vector<std::vector<std::string>> rows;
    for (const Frame& frame : frames)
        rows.push_back({frame.cobId, frame.dimension, frame.mnemonic});
    return project::xml::serialiseTable(FrameRootName, Attributes, rows);
}

void writeFrames(const std::filesystem::path& file, const std::vector<Frame>& frames)
{
    writeFileAtomically(file, serialiseFrames(frames));
}

} // namespace cravent::project
