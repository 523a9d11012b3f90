#pragma once

#include <filesystem>

namespace cravent::frames {

// The two directions of a project: frames the gateway receives and frames it transmits.
enum class Direction { Receive, Transmit };

// The mode byte the main window sets on the frame dialogs: 1 receives, every other value
// transmits.
constexpr Direction directionOfMode(int mode)
{
    return mode == 1 ? Direction::Receive : Direction::Transmit;
}

const char* frameFileName(Direction direction); // "RCobDef.xml" / "TCobDef.xml"
const char* mapFileName(Direction direction);   // "RInfoCob.xml" / "TInfoCob.xml"
const char* mapRootName(Direction direction);   // "RInfoCob" / "TInfoCob"

// The files of a project folder, found without regard to case so that a project written on
// Windows as "rcobdef.xml" is read and replaced rather than doubled.
std::filesystem::path frameFilePath(const std::filesystem::path& projectDir, Direction direction);
std::filesystem::path mapFilePath(const std::filesystem::path& projectDir, Direction direction);
std::filesystem::path pargenFilePath(const std::filesystem::path& projectDir);

} // namespace cravent::frames
