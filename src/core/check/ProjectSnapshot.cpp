#include "core/check/ProjectSnapshot.h"

#include "core/common/Error.h"
#include "core/common/IntegerText.h"
#include "core/workspace/ProjectFolder.h"

#include <system_error>

namespace cravent::check {

namespace {

template <typename Stored, typename Reader>
ProjectFile<Stored> readFile(std::filesystem::path path, Reader&& reader)
{
    ProjectFile<Stored> file;
    file.path = std::move(path);
    std::error_code ec;
    file.exists = std::filesystem::exists(file.path, ec);
    if (!file.exists)
        return file;
    try {
        file.stored = reader(file.path);
    } catch (const Error& error) {
        file.readError = error.what();
    }
    return file;
}

} // namespace

ProjectSnapshot readProject(const std::filesystem::path& projectDir)
{
    const ProjectFolder folder(projectDir);
    ProjectSnapshot project;
    project.dir = projectDir;
    project.settings = readFile<project::StoredPargen>(folder.pargen(), project::readPargen);
    for (const Direction d : {Direction::Receive, Direction::Transmit}) {
        const auto at = static_cast<std::size_t>(d);
        project.frameLists[at] = readFile<project::StoredFrameFile>(folder.frameFile(d), project::readFrames);
        project.maps[at] = readFile<project::StoredMapFile>(folder.mapFile(d), project::readMap);
    }
    project.signals = readFile<signals::StoredFile>(folder.signalFile(), signals::read);
    return project;
}

std::optional<std::int32_t> integerValue(const std::optional<std::string>& text)
{
    return text ? parseIntegerText(*text) : std::nullopt;
}

} // namespace cravent::check
