#include "core/firmware/UpdateSequence.h"

#include "core/common/Error.h"
#include "core/common/Product.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/firmware/Flasher.h"
#include "core/image/ConfigurationText.h"
#include "core/image/ProjectBuild.h"

namespace cravent::firmware {

PreparedUpdate prepareUpdate(const ProjectFolder& project, const std::filesystem::path& master,
                             const ReviewFindings& review)
{
    PreparedUpdate prepared;
    prepared.gate = check::buildGate(project.dir());
    const bool reviewed = prepared.gate.shown.empty() || !review || review(prepared.gate);
    if (!prepared.gate.goesOn || !reviewed)
        return prepared;
    image::buildProjectBanks(project.dir());
    prepared.built = true;
    // After the build, which makes the bin folder a project without one lacked.
    prepared.composition =
        projectComposition(project, master, banksOfGatewayModel(product::GatewayModel));
    return prepared;
}

FinishedUpdate finishUpdate(const CompositionInputs& composition, const FinishOptions& options)
{
    FinishedUpdate finished;
    // The summary comes from the banks the written file was read back to hold, not from a third
    // reading of the file.
    BankBytes held;
    CompositionExtras extras = options.extras;
    extras.heldBanks = &held;
    finished.newFirmware = composeFirmware(composition, options.progress, extras);
    finished.summary = image::summaryLine(readConfiguration(held));
    if (options.port) {
        try {
            launchFlasher(options.appDir, finished.newFirmware, *options.port,
                          composition.sourceFirmware.parent_path());
        } catch (const Error& error) {
            finished.flasherFailure = error.what();
        }
    }
    return finished;
}

} // namespace cravent::firmware
