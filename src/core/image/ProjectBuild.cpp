#include "core/image/ProjectBuild.h"

#include "core/common/Error.h"
#include "core/image/BankFiles.h"
#include "core/image/ImageBuilder.h"

#include <string>
#include <vector>

namespace cravent::image {

void buildProjectBanks(const std::filesystem::path& projectDir)
{
    const ConfigImage image = BuildConfigImage(projectDir, buildMomentNow());
    std::vector<std::string> failures = WriteBankFiles(image, projectDir);
    try {
        WriteBankListing(image, projectDir);
    } catch (const Error& error) {
        failures.emplace_back(error.what());
    }
    // A bank file left from an earlier build must never pass for this one's.
    if (!failures.empty()) {
        std::string message;
        for (const std::string& failure : failures)
            message += (message.empty() ? "" : "\n") + failure;
        throw Error(message);
    }
}

} // namespace cravent::image
