#pragma once

#include "core/frames/ByteSelection.h"
#include "core/common/Direction.h"
#include "core/frames/TClPdo.h"
#include "core/project/MapFile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cravent::frames {

inline constexpr const char* IndexNotValid = "Index or Subindex Not Valid";
inline constexpr const char* ErrorReadingPdoXml = "Error in reading file PDO XML";
inline constexpr const char* ErrorReadingSdoPdoXml = "Error in reading file SDOPDO XML";

// A register entry: its frame (0-based position in the frame list) and its position there.
struct EntryRef {
    std::size_t frame = 0;
    std::size_t position = 0;
};

// What a load could not read. Each text starts with the editor's own message for the file and
// goes on, after a line break, with the file and the reason.
struct MapLoadReport {
    std::optional<std::string> frameFileError;
    std::optional<std::string> mapFileError;
    bool complete() const { return !frameFileError && !mapFileError; }
};

// The frame-to-register map of one direction while it is edited: the frames of the frame list,
// each with the register entries it carries.
class FrameMap {
public:
    std::vector<TClPdo>& frames() { return frames_; }
    const std::vector<TClPdo>& frames() const { return frames_; }

    // Appends a frame with the next frame number and returns it.
    TClPdo& addFrame(std::string cobId);

    // Rebuilds the map from the frame file and the map file of a direction. Missing files give
    // no frames or no entries. A map row whose frame number lies beyond the frame list is
    // skipped. Reading stops at the first row without one of its attributes or with a frame
    // number below 1; what was read before stays.
    MapLoadReport load(const std::filesystem::path& frameFile, const std::filesystem::path& mapFile);
    // The rows of a map file, taken into the current frames as load() takes them.
    std::optional<std::string> takeRows(const project::StoredMapFile& stored,
                                        const std::filesystem::path& mapFile);

    // The register index test of New and Modify: `text` must be integer text and its value must
    // not be that of any other entry of any frame (the entry `modified` excepted). Throws Error
    // with the conversion message of the first text that is not integer text, or with
    // "Index or Subindex Not Valid".
    void checkIndex(std::string_view text, std::optional<EntryRef> modified = std::nullopt) const;

    // New: appends an entry to a frame and returns its position. Throws Error as checkIndex.
    std::size_t addEntry(std::size_t frame, const std::string& indexText, ByteChoices choices);
    // Modify: throws Error as checkIndex, and then nothing changed.
    void modifyEntry(EntryRef entry, const std::string& indexText, ByteChoices choices);
    void deleteEntry(EntryRef entry);

    // The rows "OK" writes: every entry, by ascending register index value; among equal values
    // the entry later in the editor (frame, then position) first. Every 32-bit value has its
    // place. Throws Error with the conversion message when an index is not integer text, and
    // naming the register when its byte selection holds a character XML files cannot hold.
    std::vector<project::MapRow> orderedRows() const;
    // Writes orderedRows() to the map file of a direction; throws Error, and then nothing is
    // written.
    void save(const std::filesystem::path& mapFile, Direction direction) const;

private:
    std::vector<TClPdo> frames_;
};

// The two texts that Copy keeps for Paste; the dialog keeps one for the whole run.
struct CopyBuffer {
    std::string index;
    std::string posComp;
};

CopyBuffer copyOf(const std::string& indexText, ByteChoices choices);
// The choices Paste shows for the buffer's byte selection; throws Error with the conversion
// message when it is not integer text (an empty buffer among them).
ByteChoices pastedChoices(const CopyBuffer& buffer);

} // namespace cravent::frames
