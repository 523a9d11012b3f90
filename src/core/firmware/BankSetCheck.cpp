#include "core/firmware/BankSetCheck.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/FileLookup.h"
#include "core/workspace/ProjectFolder.h"

namespace cravent::firmware {

BankSetCheck::BankSetCheck(std::filesystem::path binDir) : binDir_(std::move(binDir)) {}

const std::optional<image::BankHashes>& BankSetCheck::mark()
{
    if (markRead_)
        return mark_;
    markRead_ = true;
    const std::filesystem::path file = findFileNoCase(binDir_, names::BuildMark);
    if (!isPresent(file))
        return mark_;
    mark_ = image::readBuildMark(readFile(file));
    if (!mark_)
        throw Error("File \"" + file.string() +
                    "\" is no build mark, so the bank files cannot be told to come from one "
                    "build. Build the banks again.");
    return mark_;
}

void BankSetCheck::check(int bank, const std::filesystem::path& file, std::string_view bytes)
{
    // A build stopped half-way leaves some banks of the new build beside the old ones.
    if (const auto& hashes = mark();
        hashes && (*hashes)[static_cast<std::size_t>(bank - 1)] != image::bankHash(bytes))
        throw Error("File \"" + file.string() +
                    "\" is not the one the last build wrote: the bank files come from different "
                    "builds. Build the banks again.");
}

} // namespace cravent::firmware
