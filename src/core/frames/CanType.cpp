#include "core/frames/CanType.h"

#include "core/common/FileLookup.h"
#include "core/common/IntegerText.h"
#include "core/project/PargenFile.h"

namespace cravent::frames {

CanType readProjectCanType(const std::filesystem::path& pargenFile)
{
    if (!isPresent(pargenFile))
        return CanType::A;
    const project::StoredPargen stored = project::readPargen(pargenFile);
    if (stored.rootName != project::PargenRootName || !stored.canType)
        return CanType::A;
    const auto value = parseIntegerText(*stored.canType);
    return value && *value != 0 ? CanType::B : CanType::A;
}

} // namespace cravent::frames
