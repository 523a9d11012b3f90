#include "core/frames/FrameList.h"

#include "core/common/Error.h"
#include "core/common/FileLookup.h"
#include "core/common/IntegerText.h"
#include "core/common/XmlCharacters.h"

namespace cravent::frames {

namespace {

std::int32_t valueOrMinusOne(const std::string& text)
{
    return parseIntegerText(text).value_or(-1);
}

std::string refusal(const std::filesystem::path& file, const std::string& reason)
{
    return "Cannot read file \"" + file.string() + "\". " + reason;
}

} // namespace

std::vector<project::Frame> listUpToFirstEmptyCobId(const std::vector<project::Frame>& rows)
{
    std::vector<project::Frame> list;
    for (const project::Frame& row : rows) {
        if (row.cobId.empty())
            break;
        list.push_back(row);
    }
    return list;
}

std::optional<RowsAfterGap> rowsAfterGap(const std::vector<project::Frame>& rows)
{
    RowsAfterGap gap;
    std::size_t k = 0;
    while (k < rows.size() && !rows[k].cobId.empty())
        ++k;
    gap.gapRow = k + 1;
    for (; k < rows.size(); ++k) {
        const project::Frame& row = rows[k];
        if (!row.cobId.empty() || !row.dimension.empty() || !row.mnemonic.empty())
            gap.dropped.push_back(k + 1);
    }
    if (gap.dropped.empty())
        return std::nullopt;
    return gap;
}

std::string rowRanges(const std::vector<std::size_t>& rows)
{
    std::vector<std::string> runs;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        runs.push_back(j == i ? std::to_string(rows[i])
                              : std::to_string(rows[i]) + "-" + std::to_string(rows[j]));
        i = j + 1;
    }
    std::string text;
    for (std::size_t i = 0; i < runs.size(); ++i)
        text += (i == 0 ? "" : i + 1 == runs.size() ? " and " : ", ") + runs[i];
    return text;
}

std::optional<ListFailure> checkList(const std::vector<project::Frame>& list, CanType canType)
{
    const std::int32_t maxCobId = canType == CanType::A ? MaxCobIdA : MaxCobIdB;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const char* failure = nullptr;
        const std::int32_t cobId = valueOrMinusOne(list[i].cobId);
        const std::int32_t length = valueOrMinusOne(list[i].dimension);
        if (cobId < 0 || cobId > maxCobId)
            failure = canType == CanType::A ? CobIdRangeA : CobIdRangeB;
        else if (length < 1 || length > MaxDataLength)
            failure = DimensionRange;
        if (failure)
            return ListFailure{i + 1, failure};
        // The mnemonic is written into the project file as it stands.
        if (const auto bad = xmlForbiddenCharacterMessage("!! The Mnemonic", list[i].mnemonic))
            return ListFailure{i + 1, *bad};
    }
    return std::nullopt;
}

std::vector<project::Frame> loadList(const std::filesystem::path& file)
{
    if (!isPresent(file))
        return {};
    const project::StoredFrameFile stored = project::readFrames(file);
    if (stored.rootName != project::FrameRootName)
        throw Error(refusal(file, "Its root element is \"" + stored.rootName + "\", not \"" +
                                      project::FrameRootName + "\"."));
    if (stored.rows.size() > project::MaxFrames)
        throw Error(refusal(file, "It holds " + std::to_string(stored.rows.size()) +
                                      " frames; a list holds at most " +
                                      std::to_string(project::MaxFrames) + "."));
    std::vector<project::Frame> list;
    for (std::size_t i = 0; i < stored.rows.size(); ++i) {
        const project::StoredFrameRow& row = stored.rows[i];
        if (!row.cobId || row.cobId->empty())
            throw Error(refusal(file, "Row " + std::to_string(i + 1) + " has no CobID."));
        list.push_back({*row.cobId, row.dimension.value_or(""), row.mnemonic.value_or("")});
    }
    return list;
}

int gridColumnWidth(int gridWidth, int columns)
{
    int share = gridWidth / columns;
    const int twiceRest = 2 * (gridWidth % columns);
    if (twiceRest > columns || (twiceRest == columns && share % 2 != 0))
        ++share;
    return share - 10;
}

} // namespace cravent::frames
