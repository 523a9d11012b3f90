#include "core/sheets/CsvExport.h"

#include "core/common/FileIo.h"
#include "core/common/FileLookup.h"
#include "core/frames/FrameList.h"

namespace cravent::sheets {

namespace {

constexpr std::string_view LineEnd = "\r\n";

} // namespace

const char* mapExportName(Direction direction)
{
    return direction == Direction::Receive ? "RInfoCob.csv" : "TInfoCob.csv";
}

std::string frameListCsv(const std::vector<project::Frame>& gridRows)
{
    std::string out(FrameListHeader);
    out += LineEnd;
    std::vector<project::Frame> rows = frames::listUpToFirstEmptyCobId(gridRows);
    if (rows.size() > project::MaxFrames)
        rows.resize(project::MaxFrames);
    for (const project::Frame& frame : rows) {
        out += frame.cobId;
        out += ',';
        out += frame.dimension;
        out += ",0,0,0";
        out += LineEnd;
    }
    return out;
}

std::string mapCsv(const std::vector<frames::TClPdo>& frames)
{
    std::string out;
    for (const frames::TClPdo& frame : frames) {
        for (const frames::TClIndMB& entry : frame.entries) {
            out += entry.index;
            out += ',';
            out += std::to_string(frame.number);
            out += ',';
            out += entry.posComp;
            out += ',';
            out += LineEnd;
        }
    }
    return out;
}

std::filesystem::path writeExportFile(const std::filesystem::path& projectDir,
                                      std::string_view name, std::string_view content)
{
    const std::filesystem::path file = findFileNoCase(projectDir, name);
    writeFileAtomically(file, content);
    return file;
}

} // namespace cravent::sheets
