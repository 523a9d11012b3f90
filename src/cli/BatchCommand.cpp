#include "cli/BatchCommand.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/firmware/ProductionBatch.h"
#include "core/workspace/ProjectFolder.h"

#include <filesystem>
#include <malloc.h>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* BatchUsage =
    "Usage: cravent-cli batch PROJECT_DIR UNITS.csv --out DIR [--master FILE]\n";

int runBatch(const std::vector<std::string>& args, Context& context)
{
    std::vector<std::string> positional;
    std::optional<fs::path> out;
    std::optional<fs::path> master;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--out" || arg == "--master") {
            if (i + 1 == args.size()) {
                context.err << "cravent-cli: " << arg << " needs a value\n" << BatchUsage;
                return Usage;
            }
            (arg == "--out" ? out : master) = args[++i];
        } else if (arg.starts_with("--") || positional.size() == 2) {
            context.err << BatchUsage;
            return Usage;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2 || !out) {
        context.err << BatchUsage;
        return Usage;
    }
    const fs::path projectDir = positional[0];
    const fs::path unitsFile = positional[1];
    if (!master)
        master = ProgramFolder(context.appDir).masterFirmware();
    if (!projectFolderFound(projectDir, context.err))
        return Failure;
    // Each unit's firmware needs the same few large buffers again; kept in the heap rather than
    // handed back to the system after every unit, they cost no fresh page faults.
    ::mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    try {
        const std::vector<firmware::Unit> units =
            firmware::readUnits(readFile(unitsFile), unitsFile.string());
        const auto outputs =
            firmware::runBatch(projectDir, units, *master, *out, image::buildMomentNow());
        for (const firmware::BatchOutput& output : outputs)
            context.out << output.file.string() << '\n';
        context.out << (*out / firmware::ManifestName).string() << '\n';
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

} // namespace

const Command BatchCommand{
    "batch", "PROJECT_DIR UNITS.csv --out DIR [--master FILE]",
    "one verified firmware DIR/<name>.sx per line name,ip[,mask][,port] of UNITS.csv (after a\n"
    "      header line), the project's files untouched, and DIR/manifest.csv with their sha256",
    runBatch};

} // namespace cravent::cli
