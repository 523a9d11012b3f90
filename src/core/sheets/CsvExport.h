#pragma once

#include "core/common/Direction.h"
#include "core/frames/TClPdo.h"
#include "core/project/FrameFile.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace cravent::sheets {

// The files Export writes into the project folder. The frame list has one for both directions:
// exporting one direction replaces what the other wrote.
inline constexpr const char* FrameListExportName = "rpdodef.csv";
const char* mapExportName(Direction direction); // "RInfoCob.csv" / "TInfoCob.csv"

// The header of the frame list export, 42 characters with its trailing blank; the data length
// stands in the column "id_dev_orig" and the other three columns always hold 0.
inline constexpr std::string_view FrameListHeader = "cobid,id_dev_orig,en_bypass,posind,n_tpdo ";

// "cobid,dim,0,0,0" per frame of the grid rows up to the first empty COB-ID (at most 250), after
// the header; the mnemonic is not written. Lines end with CR LF. Texts go out as typed, unquoted.
std::string frameListCsv(const std::vector<project::Frame>& gridRows);

// "index,nr,poscomp," per register entry, frames in order and each frame's entries in list
// order; no header. Lines end with CR LF.
std::string mapCsv(const std::vector<frames::TClPdo>& frames);

// Replaces the export file `name` in `projectDir` (found without regard to case) atomically and
// returns its path. Throws Error naming the file and the system's reason; the old file then
// stays as it was.
std::filesystem::path writeExportFile(const std::filesystem::path& projectDir,
                                      std::string_view name, std::string_view content);

} // namespace cravent::sheets
