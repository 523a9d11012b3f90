#include "core/project/MapFile.h"

#include "core/common/FileIo.h"
#include "core/project/ProjectXml.h"

namespace cravent::project {

namespace {

const std::initializer_list<const char*> Attributes = {"Index", "NrPdo", "PosComp"};

} // namespace

StoredMapFile readMap(const std::filesystem::path& file)
{
    return project::xml::readThreeValueRows<StoredMapFile>(file, Attributes);
}

std::string serialiseMap(const char* rootName, const std::vector<MapRow>& rows)
{
    std::vector<std::vector<std::string>> values;
    for (const MapRow& row : rows)
        values.push_back({row.index, row.nrPdo, row.posComp});
    return project::xml::serialiseTable(rootName, Attributes, values);
}

void writeMap(const std::filesystem::path& file, const char* rootName, const std::vector<MapRow>& rows)
{
    writeFileAtomically(file, serialiseMap(rootName, rows));
}

} // namespace cravent::project
