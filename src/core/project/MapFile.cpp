#include "core/project/MapFile.h"

#include "core/common/FileIo.h"
#include "core/project/ProjectXml.h"

namespace cravent::maps {

namespace {

const std::initializer_list<const char*> Attributes = {"Index", "NrPdo", "PosComp"};

} // namespace

StoredFile read(const std::filesystem::path& file)
{
    return xml::readThreeValueRows<StoredFile>(file, Attributes);
}

std::string serialise(const char* rootName, const std::vector<Row>& rows)
{
    std::vector<std::vector<std::string>> values;
    for (const Row& row : rows)
        values.push_back({row.index, row.nrPdo, row.posComp});
    return xml::serialiseTable(rootName, Attributes, values);
}

void write(const std::filesystem::path& file, const char* rootName, const std::vector<Row>& rows)
{
    writeFileAtomically(file, serialise(rootName, rows));
}

} // namespace cravent::maps
