#pragma once

#include "core/common/Direction.h"
#include "core/project/FrameFile.h"
#include "core/project/MapFile.h"
#include "core/project/PargenFile.h"
#include "core/project/SignalFile.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace cravent::check {

// One project file as the build's reader gave it.
template <typename Stored>
struct ProjectFile {
    std::filesystem::path path; // where it is, whatever its case, or where it would be
    bool exists = false;
    std::optional<Stored> stored;         // when it exists and could be read
    std::optional<std::string> readError; // the reader's message when it could not

    std::string name() const { return path.filename().string(); }
};

// The five files of a project, each read once through the readers the build uses, so that the
// check and the report see what the build sees; and the signals, which the build never reads.
struct ProjectSnapshot {
    std::filesystem::path dir;
    ProjectFile<project::StoredPargen> settings;
    std::array<ProjectFile<project::StoredFrameFile>, 2> frameLists; // by Direction
    std::array<ProjectFile<project::StoredMapFile>, 2> maps;
    ProjectFile<signals::StoredFile> signals;

    const ProjectFile<project::StoredFrameFile>& frames(Direction d) const
    {
        return frameLists[static_cast<std::size_t>(d)];
    }
    const ProjectFile<project::StoredMapFile>& map(Direction d) const
    {
        return maps[static_cast<std::size_t>(d)];
    }
};

ProjectSnapshot readProject(const std::filesystem::path& projectDir);

// The value of integer text as the build reads it; nothing for a missing or malformed text.
std::optional<std::int32_t> integerValue(const std::optional<std::string>& text);

} // namespace cravent::check
