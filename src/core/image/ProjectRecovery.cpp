#include "core/image/ProjectRecovery.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/FileLookup.h"
#include "core/image/ConfigurationText.h"
#include "core/project/FrameFile.h"
#include "core/project/MapFile.h"
#include "core/project/PargenFile.h"
#include "core/workspace/ProjectFolder.h"

#include <vector>

namespace cravent::image {

namespace {

namespace fs = std::filesystem;

// The first project or bank file that `folder` already holds, if any. One that cannot be looked
// at throws, so that decode never writes over a file it could not see.
std::optional<fs::path> existingProjectFile(const ProjectFolder& folder)
{
    std::vector<fs::path> files = {folder.pargen(),
                                   folder.frameFile(Direction::Receive),
                                   folder.frameFile(Direction::Transmit),
                                   folder.mapFile(Direction::Receive),
                                   folder.mapFile(Direction::Transmit)};
    for (int bank = 1; bank <= BankCount; ++bank)
        files.push_back(folder.bankFile(bank));
    files.push_back(folder.listing());
    files.push_back(folder.buildMark());
    for (const fs::path& file : files)
        if (isPresent(file))
            return file;
    return std::nullopt;
}

std::vector<project::Frame> framesOf(const std::vector<DeviceFrame>& list)
{
    std::vector<project::Frame> out;
    out.reserve(list.size());
    for (const DeviceFrame& frame : list)
        out.push_back({cobIdText(frame.cobId), std::to_string(frame.length), ""});
    return out;
}

std::vector<project::MapRow> rowsOf(const std::vector<DeviceRegister>& list)
{
    std::vector<project::MapRow> out;
    out.reserve(list.size());
    for (const DeviceRegister& row : list)
        out.push_back({std::to_string(row.index), std::to_string(row.nrPdo),
                       std::to_string(row.posComp)});
    return out;
}

} // namespace

void writeRecoveredProject(const DeviceConfiguration& config, const fs::path& projectDir,
                           const std::string& source)
{
    if (!config.hasSettings)
        throw Error(source + " holds no communication settings (its project had no pargen.xml), "
                    "so it holds no frame or register counts: the frames and registers cannot be "
                    "recovered.");
    const ProjectFolder folder(projectDir);
    if (const auto file = existingProjectFile(folder))
        throw Error("Folder \"" + projectDir.string() + "\" already holds the project file \"" +
                    file->filename().string() + "\"; decode writes only into a folder without one.");
    const DeviceSettings& s = config.settings;
    project::PargenValues values;
    // The code is the list index plus one; code 0 is "no rate chosen", stored as -1.
    values.baudRateIndex = static_cast<int>(s.bitRateCode) - 1;
    values.canType = s.canType;
    for (std::size_t k = 0; k < 4; ++k) {
        values.ip[k] = s.ip[k];
        values.mask[k] = s.mask[k];
    }
    values.port = std::to_string(s.port);
    // All files or none: a half project would build, and a second decode would refuse it.
    writeFilesTogether(
        projectDir,
        {{names::Pargen, project::serialisePargen(values)},
         {names::frameFile(Direction::Receive), project::serialiseFrames(framesOf(config.rxFrames))},
         {names::frameFile(Direction::Transmit), project::serialiseFrames(framesOf(config.txFrames))},
         {names::mapFile(Direction::Receive),
          project::serialiseMap(project::ReceiveMapRootName, rowsOf(config.rxRegisters))},
         {names::mapFile(Direction::Transmit),
          project::serialiseMap(project::TransmitMapRootName, rowsOf(config.txRegisters))}},
        {folder.bin().filename().string()});
}

} // namespace cravent::image
