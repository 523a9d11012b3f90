#include "core/frames/Direction.h"

#include "core/common/FileLookup.h"
#include "core/project/FrameFile.h"
#include "core/project/MapFile.h"
#include "core/project/PargenFile.h"

namespace cravent::frames {

const char* frameFileName(Direction direction)
{
    return direction == Direction::Receive ? ReceiveFileName : TransmitFileName;
}

const char* mapFileName(Direction direction)
{
    return direction == Direction::Receive ? maps::ReceiveFileName : maps::TransmitFileName;
}

const char* mapRootName(Direction direction)
{
    return direction == Direction::Receive ? maps::ReceiveRootName : maps::TransmitRootName;
}

std::filesystem::path frameFilePath(const std::filesystem::path& projectDir, Direction direction)
{
    return findFileNoCase(projectDir, frameFileName(direction));
}

std::filesystem::path mapFilePath(const std::filesystem::path& projectDir, Direction direction)
{
    return findFileNoCase(projectDir, mapFileName(direction));
}

std::filesystem::path pargenFilePath(const std::filesystem::path& projectDir)
{
    return findFileNoCase(projectDir, pargen::FileName);
}

} // namespace cravent::frames
