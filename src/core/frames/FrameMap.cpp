#include "core/frames/FrameMap.h"

#include "core/common/Error.h"
#include "core/common/FileLookup.h"
#include "core/common/IntegerText.h"
#include "core/common/XmlCharacters.h"
#include "core/frames/FrameList.h"

#include <algorithm>

namespace cravent::frames {

namespace {

std::string withDetail(const char* message, const std::string& detail)
{
    return std::string(message) + "\n" + detail;
}

std::string rowProblem(const std::filesystem::path& file, std::size_t row, const std::string& reason)
{
    return "Cannot read file \"" + file.string() + "\". Row " + std::to_string(row) + ": " + reason;
}

} // namespace

TClPdo& FrameMap::addFrame(std::string cobId)
{
    return frames_.emplace_back(std::move(cobId), static_cast<int>(frames_.size()) + 1);
}

MapLoadReport FrameMap::load(const std::filesystem::path& frameFile,
                             const std::filesystem::path& mapFile)
{
    frames_.clear();
    MapLoadReport report;
    try {
        for (const project::Frame& frame : loadList(frameFile))
            addFrame(frame.cobId);
    } catch (const Error& error) {
        report.frameFileError = withDetail(ErrorReadingPdoXml, error.what());
    }

    try {
        if (!isPresent(mapFile))
            return report;
        report.mapFileError = takeRows(project::readMap(mapFile), mapFile);
    } catch (const Error& error) {
        report.mapFileError = withDetail(ErrorReadingSdoPdoXml, error.what());
    }
    return report;
}

std::optional<std::string> FrameMap::takeRows(const project::StoredMapFile& stored,
                                              const std::filesystem::path& mapFile)
{
    for (std::size_t i = 0; i < stored.rows.size(); ++i) {
        const project::StoredMapRow& row = stored.rows[i];
        const auto problem = [&](const std::string& reason) {
            return withDetail(ErrorReadingSdoPdoXml, rowProblem(mapFile, i + 1, reason));
        };
        for (const auto& [value, name] : {std::pair{&row.index, "Index"}, std::pair{&row.nrPdo, "NrPdo"},
                                          std::pair{&row.posComp, "PosComp"}})
            if (!*value)
                return problem(std::string("no attribute \"") + name + "\".");
        const auto number = parseIntegerText(*row.nrPdo);
        if (!number)
            return problem(invalidIntegerMessage(*row.nrPdo) + ".");
        if (*number > static_cast<std::int64_t>(frames_.size()))
            continue; // its frame is no longer in the list
        if (*number < 1)
            return problem("NrPdo " + *row.nrPdo + " names no frame.");
        frames_[static_cast<std::size_t>(*number - 1)].entries.emplace_back(*row.index, *row.posComp);
    }
    return std::nullopt;
}

void FrameMap::checkIndex(std::string_view text, std::optional<EntryRef> modified) const
{
    const std::int32_t value = toInteger(text);
    for (std::size_t f = 0; f < frames_.size(); ++f) {
        const auto& entries = frames_[f].entries;
        for (std::size_t p = 0; p < entries.size(); ++p) {
            if (modified && modified->frame == f && modified->position == p)
                continue;
            if (toInteger(entries[p].index) == value)
                throw Error(IndexNotValid);
        }
    }
}

std::size_t FrameMap::addEntry(std::size_t frame, const std::string& indexText, ByteChoices choices)
{
    checkIndex(indexText);
    auto& entries = frames_.at(frame).entries;
    entries.emplace_back(indexText, byteSelectionText(choices));
    return entries.size() - 1;
}

void FrameMap::modifyEntry(EntryRef entry, const std::string& indexText, ByteChoices choices)
{
    TClIndMB& target = frames_.at(entry.frame).entries.at(entry.position);
    checkIndex(indexText, entry);
    target = TClIndMB(indexText, byteSelectionText(choices));
}

void FrameMap::deleteEntry(EntryRef entry)
{
    auto& entries = frames_.at(entry.frame).entries;
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(entry.position));
}

std::vector<project::MapRow> FrameMap::orderedRows() const
{
    struct Keyed {
        std::int32_t value;
        project::MapRow row;
    };
    // Walk the editor backwards so that a stable sort puts later entries first among equals.
    std::vector<Keyed> keyed;
    for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame)
        for (auto entry = frame->entries.rbegin(); entry != frame->entries.rend(); ++entry) {
            const std::int32_t value = toInteger(entry->index);
            // A byte selection taken from a workbook is written as it stands.
            if (const auto bad = xmlForbiddenCharacterMessage("its byte selection", entry->posComp))
                throw Error("Register " + entry->index + " of frame " + std::to_string(frame->number) +
                            ": " + *bad);
            keyed.push_back({value, {entry->index, std::to_string(frame->number), entry->posComp}});
        }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const Keyed& a, const Keyed& b) { return a.value < b.value; });
    std::vector<project::MapRow> rows;
    rows.reserve(keyed.size());
    for (Keyed& k : keyed)
        rows.push_back(std::move(k.row));
    return rows;
}

void FrameMap::save(const std::filesystem::path& mapFile, Direction direction) const
{
    project::writeMap(mapFile, project::mapRootName(direction), orderedRows());
}

CopyBuffer copyOf(const std::string& indexText, ByteChoices choices)
{
    return {indexText, byteSelectionText(choices)};
}

ByteChoices pastedChoices(const CopyBuffer& buffer)
{
    return choicesOf(toInteger(buffer.posComp));
}

} // namespace cravent::frames
