#pragma once

#include "core/common/Direction.h"

#include <filesystem>

namespace cravent::frames {

using cravent::Direction;
using cravent::directionOfMode;

const char* frameFileName(Direction direction); // "RCobDef.xml" / "TCobDef.xml"
const char* mapFileName(Direction direction);   // "RInfoCob.xml" / "TInfoCob.xml"
const char* mapRootName(Direction direction);   // "RInfoCob" / "TInfoCob"

// The files of a project folder, found without regard to case so that a project written on
// Windows as "rcobdef.xml" is read and replaced rather than doubled.
std::filesystem::path frameFilePath(const std::filesystem::path& projectDir, Direction direction);
std::filesystem::path mapFilePath(const std::filesystem::path& projectDir, Direction direction);
std::filesystem::path pargenFilePath(const std::filesystem::path& projectDir);

} // namespace cravent::frames
