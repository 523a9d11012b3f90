#include "FuzzCheck.h"
#include "FuzzScratch.h"
#include "core/common/Error.h"
#include "core/frames/CanType.h"
#include "core/frames/FrameList.h"
#include "core/sheets/CsvExport.h"
#include "core/sheets/SheetImport.h"
#include "core/sheets/SheetWire.h"
#include "core/workbook/SheetGrid.h"
#include "core/workbook/WorkbookReader.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// The file name the bytes are given under (the reader tells .xls, .xlsx and .ods by content,
// and takes a plain text file as CSV by its name).
#ifndef WORKBOOK_NAME
#error "define WORKBOOK_NAME"
#endif

#ifdef ZIPPED_PARTS
#include <zip.h>
#endif

namespace fs = std::filesystem;
using namespace cravent;
using namespace cravent::sheets;
using namespace cravent::workbook;

namespace {

using cravent::fuzz::putFile;

fs::path scratch()
{
    static const fs::path dir = [] {
        const fs::path d = cravent::fuzz::scratchFolder("workbook");
        fs::create_directories(d / "in");
        fs::create_directories(d / "export");
        return d;
    }();
    return dir;
}

bool plain(const std::string& text)
{
    return text.find_first_of(",\"\r\n") == std::string::npos;
}

// The frame list import fed the records: at most 250 rows, the rest counted, each row the
// record's first three fields; its check answers nothing or names a row. What our export
// writes of those rows reads back as the same COB-IDs and data lengths.
void checkFrameImport(const std::vector<Record>& records)
{
    const FrameRowsImport import = frameRowsFromRecords(records);
    FUZZ_CHECK(import.rows.size() <= project::MaxFrames);
    std::size_t filledAfter = 0;
    for (std::size_t k = import.rows.size(); k < records.size(); ++k)
        filledAfter += holdsSomething(records[k]) ? 1 : 0;
    FUZZ_CHECK(import.leftOut == filledAfter);
    FUZZ_CHECK(leftOutMessage(import.leftOut).has_value() == (import.leftOut > 0));
    for (std::size_t k = 0; k < import.rows.size(); ++k) {
        FUZZ_CHECK(import.rows[k].cobId == field(records[k], 0));
        FUZZ_CHECK(import.rows[k].dimension == field(records[k], 1));
        FUZZ_CHECK(import.rows[k].mnemonic == field(records[k], 2));
    }
    const std::vector<project::Frame> list = frames::listUpToFirstEmptyCobId(import.rows);
    for (const frames::CanType type : {frames::CanType::A, frames::CanType::B}) {
        const auto failure = frames::checkList(list, type);
        // A failure names a row of the list.
        FUZZ_CHECK(!failure || (failure->row >= 1 && failure->row <= list.size()));
    }

    bool exportable = true;
    for (const project::Frame& frame : list)
        exportable = exportable && plain(frame.cobId) && plain(frame.dimension);
    if (!exportable)
        return; // exports go out unquoted, as the gateway's tools read them
    const fs::path file = scratch() / "export" / FrameListExportName;
    putFile(file, frameListCsv(import.rows));
    const SheetLookup again = readWorkbook(file, FrameListSheet);
    FUZZ_CHECK(again.records.has_value());
    const FrameRowsImport reread = frameRowsFromRecords(*again.records);
    FUZZ_CHECK(reread.rows.size() == list.size());
    for (std::size_t k = 0; k < list.size(); ++k) {
        FUZZ_CHECK(reread.rows[k].cobId == list[k].cobId);
        FUZZ_CHECK(reread.rows[k].dimension == list[k].dimension);
    }
}

// The map import fed the records: every record before the one that stopped it went to a frame
// or was counted as skipped.
void checkMapImport(const std::vector<Record>& records)
{
    std::vector<frames::TClPdo> list;
    for (int n = 1; n <= 3; ++n)
        list.emplace_back(std::to_string(0x180 + n), n);
    list[0].entries.emplace_back("999", "1"); // emptied by the import
    const MapTake take = takeMapRecords(records, list);
    std::size_t entries = 0;
    for (const frames::TClPdo& frame : list)
        entries += frame.entries.size();
    FUZZ_CHECK(entries + take.skipped == take.stoppedAt.value_or(records.size()));
    FUZZ_CHECK(!take.stoppedAt || *take.stoppedAt < records.size());
}

#ifdef ZIPPED_PARTS
// Mutated zip archives rarely get past the archive's own checks, so this target zips the parts
// it is given and fuzzes the XML readers behind them: the bytes hold parts, each after a line
// "@@ name".
void putZippedParts(const fs::path& file, std::string_view bytes)
{
    int error = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    FUZZ_CHECK(archive != nullptr);
    std::size_t position = bytes.starts_with("@@ ") ? 0 : bytes.find("\n@@ ");
    while (position != std::string_view::npos) {
        position += bytes[position] == '\n' ? 4 : 3;
        const std::size_t nameEnd = bytes.find('\n', position);
        if (nameEnd == std::string_view::npos)
            break;
        const std::string name(bytes.substr(position, nameEnd - position));
        const std::size_t next = bytes.find("\n@@ ", nameEnd);
        const std::string_view content = bytes.substr(nameEnd + 1, next == std::string_view::npos ? next : next - nameEnd - 1);
        zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
        FUZZ_CHECK(source != nullptr);
        const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0)
            zip_source_free(source); // an empty or repeated name
        else
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        position = next;
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        putFile(file, "");
    }
}
#endif

} // namespace

// Any bytes as a workbook are either refused with a reason or read: the records are there
// exactly when a worksheet of that name is, they have no trailing empty cells or rows, they
// survive the trip through the helper's answer, and the import rules hold on them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fs::path file = scratch() / "in" / WORKBOOK_NAME;
#ifdef ZIPPED_PARTS
    putZippedParts(file, std::string_view(reinterpret_cast<const char*>(data), size));
#else
    putFile(file, std::string_view(reinterpret_cast<const char*>(data), size));
#endif
    SheetLookup lookup;
    try {
        lookup = readWorkbook(file, FrameListSheet);
    } catch (const Error& error) {
        FUZZ_CHECK(error.what()[0] != '\0');
        return 0;
    }
    FUZZ_CHECK(lookup.records.has_value() == findSheet(lookup.sheetNames, FrameListSheet).has_value());
    const std::string encoded = encodeLookup(lookup);
    FUZZ_CHECK(encoded.size() <= MaxAnswerBytes);
    const ReaderAnswer answer = decodeAnswer(encoded);
    FUZZ_CHECK(!answer.failure && answer.lookup.records == lookup.records &&
               answer.lookup.unreadableCells == lookup.unreadableCells &&
               answer.lookup.beyond.count == lookup.beyond.count &&
               answer.lookup.beyond.firstRow == lookup.beyond.firstRow);
    FUZZ_CHECK(answer.lookup.sheetNames.size() ==
               std::min(lookup.sheetNames.size(), MaxSheetNames));
    if (!lookup.records)
        return 0;
    const std::vector<Record>& records = *lookup.records;
    FUZZ_CHECK(records.size() <= MaxRecordsRead);
    FUZZ_CHECK(records.empty() || holdsSomething(records.back()));
    for (const Record& record : records) {
        FUZZ_CHECK(record.size() <= FieldsRead);
        FUZZ_CHECK(record.empty() || !record.back().empty());
        for (const std::string& text : record)
            FUZZ_CHECK(text.size() <= MaxFieldBytes);
    }
    FUZZ_CHECK((lookup.beyond.count == 0) == (lookup.beyond.firstRow == 0));
    FUZZ_CHECK(lookup.beyond.count == 0 || lookup.beyond.firstRow > MaxRecordsRead + 1);
    checkFrameImport(records);
    checkMapImport(records);
    return 0;
}
