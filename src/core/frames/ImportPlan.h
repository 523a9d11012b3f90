#pragma once

#include "core/frames/TClPdo.h"
#include "core/project/FrameFile.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace cravent::frames {

// What an import of a frame list or a register map will do, decided before anything changes:
// the rows to take, what was left out and why, or why nothing is taken. Workbooks and CAN
// databases make the same plans; the editors and the command line only show and apply them.

// Something the person is told about an import: what was left out or stood out, how many, and
// from which row of the source on.
struct ImportNote {
    std::string code;     // stable: "rows-beyond-list", "map-rows-without-frame", ...
    std::size_t count = 0; // rows, records, messages or signals it is about
    std::size_t row = 0;   // where it is about in the source (a worksheet row), 0 for none
    std::string text;
};

// What lets a refused import go through on the command line, where no one looks at the rows.
enum class ImportRemedy { None, KeepFirst, AllowEmpty };

// Why nothing is taken: the editor or the project file stays as it was.
struct ImportRefusal {
    std::string code;      // "sheet-missing", "gap", "would-empty", "check", "bad-frame-number", ...
    std::size_t row = 0;   // the source row it is about, 0 for none
    std::string text;
    ImportRemedy remedy = ImportRemedy::None;
    std::size_t kept = 0;  // with the remedy: the frames or entries it would save
};

// Where the rows go. An editor shows them and the user looks before "OK"; the project takes
// them at once, so every loss is refused unless the caller chose it.
enum class ImportTarget { Editor, Project };

struct ImportOptions {
    ImportTarget target = ImportTarget::Editor;
    bool keepFirst = false;  // the project takes the frames before a gap or beyond the list
    bool allowEmpty = false; // an empty import may replace a list or map that holds something
};

// A plan's location prefix: "Workbook "f.xlsx", worksheet "rpdodef", row 5: ", or nothing.
struct ImportSource {
    std::string workbook;
    std::string sheet;

    // `text` as the person reads it, with the workbook, worksheet and row before it.
    std::string located(std::size_t row, const std::string& text) const;
};

struct FrameListPlan {
    ImportSource source;
    std::vector<project::Frame> rows; // what the editor's grid shows from data row 1
    std::vector<project::Frame> list; // what the project file takes: the rows up to the first gap
    std::vector<ImportNote> notes;
    std::optional<ImportRefusal> refusal;

    bool refused() const { return refusal.has_value(); }
};

struct MapPlan {
    ImportSource source;
    // entries[f] replaces the register list of frame f of the frames it was planned for.
    std::vector<std::vector<TClIndMB>> entries;
    std::size_t registers = 0; // entries taken
    std::vector<ImportNote> notes;
    std::optional<ImportRefusal> refusal;

    bool refused() const { return refusal.has_value(); }
};

// Replaces every frame's register list with the plan's.
void applyMap(const MapPlan& plan, std::vector<TClPdo>& frames);

// "3 frames taken" / "12 registers taken", then each note on a line of its own.
std::string takenText(const FrameListPlan& plan);
std::string takenText(const MapPlan& plan);

// "1 frame" / "3 frames"
std::string counted(std::size_t n, const char* one, const char* many);

} // namespace cravent::frames
