#include "core/firmware/Flasher.h"

#include "core/common/Error.h"
#include "core/firmware/Composition.h"
#include "core/firmware/FlasherLookup.h"
#include "core/workspace/ProjectFolder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace cravent::firmware {

namespace {

namespace fs = std::filesystem;

bool isFile(const fs::path& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Runs in the forked child, where only async-signal-safe calls are allowed: detaches once more
// so that nobody has to wait for the flashing program, then executes it. A failure to start
// is sent back through `report` as an errno value; a successful exec closes it empty.
[[noreturn]] void startGrandchild(const char* program, char* const argv[], const char* folder,
                                  int report)
{
    const pid_t grandchild = ::fork();
    if (grandchild != 0) {
        int error = grandchild < 0 ? errno : 0;
        if (error != 0)
            (void)!::write(report, &error, sizeof error);
        ::_exit(0);
    }
    ::setsid();
    // The flashing program inherits only the standard streams, not this program's files.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    int error = 0;
    if (folder[0] != '\0' && ::chdir(folder) != 0)
        error = errno;
    if (error == 0) {
        ::execv(program, argv);
        error = errno;
    }
    (void)!::write(report, &error, sizeof error);
    ::_exit(127);
}

} // namespace

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
    if (!isFile(newFirmware))
        throw Error(text::SourceNotFound);
    const fs::path program = findFlasher(appDir).value_or(appDir / names::Flasher);
    if (!isFile(program))
        throw Error(text::FlasherNotFound);

    // Everything the child needs is prepared before the fork.
    const std::string programText = program.string();
    std::string parameters = flasherParameters(newFirmware, portIndex);
    const std::string folder = workingFolder.string();
    std::string name = programText;
    char* const argv[] = {name.data(), parameters.data(), nullptr};

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw Error("Cannot start \"" + programText + "\". " + std::strerror(errno));
    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        throw Error("Cannot start \"" + programText + "\". " + std::strerror(error));
    }
    if (child == 0) {
        ::close(pipeEnds[0]);
        startGrandchild(programText.c_str(), argv, folder.c_str(), pipeEnds[1]);
    }
    ::close(pipeEnds[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(pipeEnds[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(pipeEnds[0]);
    if (got == static_cast<ssize_t>(sizeof error) && error != 0)
        throw Error("Cannot start \"" + programText + "\". " + std::strerror(error));
}

} // namespace cravent::firmware
