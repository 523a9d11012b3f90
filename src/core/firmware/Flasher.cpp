#include "core/firmware/Flasher.h"

#include "core/common/Error.h"
#include "core/common/FileLookup.h"
#include "core/common/Process.h"
#include "core/firmware/Composition.h"
#include "core/firmware/FlasherLookup.h"
#include "core/workspace/ProjectFolder.h"

#include <cstring>
#include <stdexcept>

namespace cravent::firmware {

namespace fs = std::filesystem;

std::string flasherParameters(const fs::path& newFirmware, int portIndex)
{
    if (portIndex < 0 || portIndex >= PortCount)
        throw std::invalid_argument("port index out of range: " + std::to_string(portIndex));
    return "\"" + newFirmware.string() + "\"" + "\xB6" + std::to_string(portIndex);
}

int portIndexOf(const std::string& portName)
{
    for (int index = 0; index < PortCount; ++index) {
        if (portName == "COM" + std::to_string(index + 1))
            return index;
    }
    return -1;
}

void launchFlasher(const fs::path& appDir, const fs::path& newFirmware, int portIndex,
                   const fs::path& workingFolder)
{
    // isPresent names a file that is there but cannot be looked at, rather than calling it missing.
    if (!isPresent(newFirmware) || !isFile(newFirmware))
        throw Error(text::SourceNotFound);
    const fs::path program = findFlasher(appDir).value_or(appDir / names::Flasher);
    if (!isPresent(program) || !isFile(program))
        throw Error(text::FlasherNotFound);

    // The program is run by its path, never looked up in PATH.
    std::error_code ec;
    const fs::path absolute = fs::absolute(program, ec);
    const process::Command command{
        ec ? program : absolute, {flasherParameters(newFirmware, portIndex)}, std::nullopt,
        workingFolder};
    if (const int error = process::startDetached(command); error != 0)
        throw Error("Cannot start \"" + program.string() + "\". " + std::strerror(error));
}

} // namespace cravent::firmware
