#include "core/workspace/ProjectFolder.h"

#include "core/common/FileLookup.h"

#include <system_error>

namespace cravent {

namespace fs = std::filesystem;

namespace names {

const char* frameFile(Direction direction)
{
    return direction == Direction::Receive ? ReceiveFrames : TransmitFrames;
}

const char* mapFile(Direction direction)
{
    return direction == Direction::Receive ? ReceiveMap : TransmitMap;
}

std::string bankFile(int bank)
{
    return "bank" + std::to_string(bank) + ".bin";
}

std::string newFirmware(std::string_view masterFileName)
{
    return NewFirmwarePrefix + std::string(masterFileName);
}

} // namespace names

ProgramFolder::ProgramFolder(fs::path appDir) : dir_(std::move(appDir)) {}

fs::path ProgramFolder::masterDir() const
{
    return dir_ / names::MasterFolder;
}

fs::path ProgramFolder::projectsRoot() const
{
    return dir_ / names::ProjectsFolder;
}

fs::path ProgramFolder::settingsFile() const
{
    return dir_ / names::SettingsFile;
}

fs::path ProgramFolder::masterFirmware() const
{
    return masterDir() / names::MasterFirmware;
}

bool ProgramFolder::holdsProject(const fs::path& folder) const
{
    std::error_code ec;
    const fs::path root = fs::weakly_canonical(projectsRoot(), ec);
    if (ec)
        return false;
    const fs::path candidate = fs::weakly_canonical(folder, ec);
    if (ec)
        return false;
    auto r = root.begin();
    auto c = candidate.begin();
    for (; r != root.end(); ++r, ++c) {
        if (r->empty())
            continue; // a trailing separator
        if (c == candidate.end() || *r != *c)
            return false;
    }
    return true;
}

ProjectFolder::ProjectFolder(fs::path dir) : dir_(std::move(dir)) {}

fs::path ProjectFolder::entry(std::string_view name) const
{
    return findFileNoCase(dir_, name);
}

fs::path ProjectFolder::pargen() const
{
    return entry(names::Pargen);
}

fs::path ProjectFolder::frameFile(Direction direction) const
{
    return entry(names::frameFile(direction));
}

fs::path ProjectFolder::mapFile(Direction direction) const
{
    return entry(names::mapFile(direction));
}

std::optional<fs::path> ProjectFolder::binFolder() const
{
    const fs::path bin = entry(names::BinFolder);
    std::error_code ec;
    if (!fs::is_directory(bin, ec))
        return std::nullopt;
    return bin;
}

std::optional<fs::path> ProjectFolder::bankFile(int bank) const
{
    if (const auto bin = binFolder())
        return findFileNoCase(*bin, names::bankFile(bank));
    return std::nullopt;
}

std::optional<fs::path> ProjectFolder::listing() const
{
    if (const auto bin = binFolder())
        return findFileNoCase(*bin, names::Listing);
    return std::nullopt;
}

fs::path ProjectFolder::newFirmware(const fs::path& master) const
{
    return dir_ / names::newFirmware(master.filename().string());
}

} // namespace cravent
