#include "cli/CheckCommand.h"
#include "cli/CommandTable.h"
#include "cli/ComposeCommand.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/firmware/ProductionBatch.h"
#include "core/workspace/ProjectFolder.h"

#include <filesystem>
#include <malloc.h>
#include <memory>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace {

namespace fs = std::filesystem;

struct BatchArguments {
    fs::path projectDir;
    fs::path unitsFile;
    fs::path out;
    std::optional<fs::path> master;
};

// One verified firmware per unit, each with the unit's own address, and a manifest of their
// SHA-256 sums.
int runBatch(const BatchArguments& arguments, Context& context)
{
    const fs::path& projectDir = arguments.projectDir;
    const fs::path& unitsFile = arguments.unitsFile;
    const fs::path& out = arguments.out;
    const fs::path master =
        arguments.master.value_or(ProgramFolder(context.appDir).masterFirmware());
    if (!projectFolderFound(projectDir, context.err))
        return Failure;
    // Each unit's firmware needs the same few large buffers again; kept in the heap rather than
    // handed back to the system after every unit, they cost no fresh page faults.
    ::mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    try {
        const std::vector<firmware::Unit> units =
            firmware::readUnits(readFile(unitsFile), unitsFile.string());
        // The same check as update: its warnings said once, its errors stop everything.
        if (!passBuildGate(check::buildGate(projectDir), context.err))
            return Failure;
        const auto outputs =
            firmware::runBatch(projectDir, units, master, out, image::buildMomentNow(), unitsFile);
        for (const firmware::BatchOutput& output : outputs)
            context.out << output.file.string() << '\n';
        context.out << (out / firmware::ManifestName).string() << '\n';
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

Runner declareBatch(CLI::App& command)
{
    auto a = std::make_shared<BatchArguments>();
    command.add_option("PROJECT_DIR", a->projectDir, "the project folder")->required();
    command
        .add_option("UNITS.csv", a->unitsFile,
                    "a header line, then name,ip[,mask][,port] per unit (an empty mask or port "
                    "keeps the project's)")
        ->required();
    command.add_option("--out", a->out, "the folder the firmware files and the manifest go to")
        ->required()
        ->option_text("DIR");
    addMasterOption(command, a->master);
    return [a](Context& context) { return runBatch(*a, context); };
}

} // namespace

const Command BatchCommand{
    "batch",
    "one verified firmware DIR/<name>.sx per line name,ip[,mask][,port] of UNITS.csv (after a "
    "header line), the project's files untouched, and DIR/manifest.csv with their sha256",
    declareBatch};

} // namespace cravent::cli
