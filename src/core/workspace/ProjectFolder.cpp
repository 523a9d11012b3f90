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
    if (folder.native().find('\0') != std::string::npos)
        return false;
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
    return dir_.empty() ? fs::path() : findFileNoCase(dir_, name);
}

fs::path ProjectFolder::binEntry(std::string_view name) const
{
    const fs::path folder = bin();
    return folder.empty() ? fs::path() : findFileNoCase(folder, name);
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

fs::path ProjectFolder::signalFile() const
{
    return entry(names::Signals);
}

fs::path ProjectFolder::bin() const
{
    return entry(names::BinFolder);
}

std::optional<fs::path> ProjectFolder::binFolder() const
{
    fs::path folder = bin();
    if (folder.empty() || !isFolder(folder))
        return std::nullopt;
    return folder;
}

fs::path ProjectFolder::bankFile(int bank) const
{
    return binEntry(names::bankFile(bank));
}

fs::path ProjectFolder::listing() const
{
    return binEntry(names::Listing);
}

fs::path ProjectFolder::buildMark() const
{
    return binEntry(names::BuildMark);
}

fs::path ProjectFolder::newFirmware(const fs::path& master) const
{
    return dir_.empty() ? fs::path() : dir_ / names::newFirmware(master.filename().string());
}

} // namespace cravent
