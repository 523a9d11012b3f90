#include "core/firmware/ConfigurationSource.h"

#include "core/common/Error.h"
#include "core/common/FileLookup.h"
#include "core/image/ImageBuilder.h"
#include "core/workspace/ProjectFolder.h"

#include <span>
#include <string>

namespace cravent::firmware {

namespace {

namespace fs = std::filesystem;

// A file that is there but cannot be looked at throws, naming it, rather than passing for one
// that is not there: the folder would be taken for another kind, or said to lack it.
bool holdsFile(const fs::path& file)
{
    return isPresent(file) && isFile(file);
}

bool holdsBanks(const fs::path& folder)
{
    return holdsFile(findFileNoCase(folder, names::bankFile(1)));
}

bool holdsProjectFile(const ProjectFolder& folder)
{
    return holdsFile(folder.pargen()) || holdsFile(folder.frameFile(Direction::Receive)) ||
           holdsFile(folder.frameFile(Direction::Transmit)) ||
           holdsFile(folder.mapFile(Direction::Receive)) ||
           holdsFile(folder.mapFile(Direction::Transmit));
}

constexpr BankSelection ConfigurationBanks = {true, true, false, false, false};

} // namespace

SourceKind kindOf(const fs::path& path, bool projectAllowed)
{
    std::string why;
    switch (pathKind(path, &why)) {
    case PathKind::File:
        return SourceKind::Firmware;
    case PathKind::Folder:
        break;
    case PathKind::Missing:
        throw Error("\"" + path.string() + "\" not found.");
    case PathKind::Other:
        throw Error("\"" + path.string() + "\" is neither a file nor a folder.");
    case PathKind::Unknown:
        throw Error("Cannot read \"" + path.string() + "\". " + why);
    }
    if (holdsBanks(path))
        return SourceKind::BankFolder;
    const ProjectFolder project(path);
    if (projectAllowed && holdsProjectFile(project))
        return SourceKind::Project;
    if (const auto bin = project.binFolder(); bin && holdsBanks(*bin))
        return SourceKind::BankFolder;
    throw Error("\"" + path.string() + "\" holds no " + names::bankFile(1) +
                (projectAllowed ? " and no project file." : "."));
}

BankBytes readConfigurationBanks(const fs::path& path)
{
    if (isFile(path))
        return readFirmwareWindows(path, ConfigurationBanks);
    if (!holdsBanks(path))
        if (const auto bin = ProjectFolder(path).binFolder(); bin && holdsBanks(*bin))
            return readBankFiles(*bin, ConfigurationBanks);
    return readBankFiles(path, ConfigurationBanks);
}

image::DeviceConfiguration readConfiguration(const BankBytes& banks)
{
    const auto bank = [&banks](std::size_t index) {
        if (banks[index].size() != image::BankSize)
            throw Error("Bank " + std::to_string(index + 1) + " holds " +
                        std::to_string(banks[index].size()) + " bytes, not " +
                        std::to_string(image::BankSize) + ".");
        return std::span<const std::uint8_t, image::BankSize>(
            reinterpret_cast<const std::uint8_t*>(banks[index].data()), image::BankSize);
    };
    return image::readConfiguration(bank(0), bank(1));
}

image::DeviceConfiguration readConfigurationOf(const fs::path& path, bool projectAllowed)
{
    if (kindOf(path, projectAllowed) == SourceKind::Project)
        return image::readConfiguration(image::BuildConfigImage(path, image::BuildMoment{}));
    return readConfiguration(readConfigurationBanks(path));
}

} // namespace cravent::firmware
