// The format readers, in this process, on workbooks written by other programs. The damaged
// .xls that crashed FreeXL is left to SheetReaderTest, which reads it in the helper process.

#include "core/workbook/WorkbookReader.h"

#include "core/common/Error.h"
#include "support/TempDir.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace cravent::workbook {
namespace {

using sheets::field;
using sheets::MaxFieldBytes;
using sheets::MaxRecordsRead;
using sheets::Record;
using sheets::SheetLookup;
using test::TempDir;
using test::writeText;

const std::filesystem::path Fixtures = std::filesystem::path(CRAVENT_FIXTURES) / "sheets";

using Records = std::vector<Record>;

class EveryFormat : public ::testing::TestWithParam<const char*> {
protected:
    std::filesystem::path workbook() const
    {
        return Fixtures / (std::string("frames.") + GetParam());
    }
};

TEST_P(EveryFormat, FindsTheFrameSheetWithoutRegardToCaseAndGivesFieldsAsText)
{
    const SheetLookup lookup = readWorkbook(workbook(), "rpdodef");
    EXPECT_EQ(lookup.sheetNames,
              (std::vector<std::string>{"Notes", "RPDODEF", "rinfocob", "TInfoCob"}));
    ASSERT_TRUE(lookup.records.has_value());
    // Header row gone; 8.0 reads as 8; an empty row in the middle stays an (empty) record;
    // only the three fields the import reads are kept.
    EXPECT_EQ(*lookup.records, (Records{
                                   {"0x181", "8", "Speed"},
                                   {"641", "2"},
                                   {"385", "8", "\u00d6ldruck \u00b0C"},
                                   {},
                                   {"1.5", "-3", "x"},
                               }));
}

TEST_P(EveryFormat, ReadsTheMapSheetsByTheirOwnNames)
{
    const SheetLookup receive = readWorkbook(workbook(), "RInfoCob");
    ASSERT_TRUE(receive.records.has_value());
    EXPECT_EQ(*receive.records, (Records{{"0", "1", "33"},
                                         {"1", "1", "16"},
                                         {"7", "3", "17"},
                                         {"5", "130", "0"},
                                         {"0x10", "2", "18"}}));
    const SheetLookup transmit = readWorkbook(workbook(), "tinfocob");
    ASSERT_TRUE(transmit.records.has_value());
    EXPECT_EQ(*transmit.records, (Records{{"100", "1", "136"}}));
}

TEST_P(EveryFormat, AWorkbookWithoutTheSheetListsWhatItHas)
{
    const SheetLookup lookup =
        readWorkbook(Fixtures / (std::string("nosheet.") + GetParam()), "rpdodef");
    EXPECT_FALSE(lookup.records.has_value());
    EXPECT_EQ(lookup.sheetNames, std::vector<std::string>{"Sheet1"});
}

INSTANTIATE_TEST_SUITE_P(Sheets, EveryFormat, ::testing::Values("xls", "xlsx", "ods"));

TEST(Xlsx, SharedStringsRichTextFormulaResultsAndCellsWithoutPositions)
{
    const SheetLookup lookup = readWorkbook(Fixtures / "shared.xlsx", "RPDODEF");
    ASSERT_TRUE(lookup.records.has_value());
    // Rich text runs joined, phonetic guide left out; a formula gives its kept result, and is
    // named when none is kept; rows 3 and 4 are missing from the file; columns from D on are
    // not read.
    EXPECT_EQ(*lookup.records,
              (Records{{"0x181", "8", "Speed "}, {}, {}, {"TRUE", "cobid", "#DIV/0!"}, {"0.1"}}));
    EXPECT_EQ(lookup.unreadableCells, (std::vector<std::string>{"B6", "C6"}));
}

TEST(Ods, RepeatedCellsAndRowsHeaderRowsGroupsAndBlanks)
{
    // The sheet ends with a million repeated empty rows, as office programs write it.
    const SheetLookup lookup = readWorkbook(Fixtures / "repeated.ods", "TInfoCob");
    ASSERT_TRUE(lookup.records.has_value());
    EXPECT_EQ(*lookup.records,
              (Records{{"5", "1", "1"}, {"5", "1", "1"}, {"", "a   b\nsecond", "0.25"}}));
}

TEST(Csv, OurExportsReadBackWithAndWithoutTheirHeader)
{
    TempDir dir;
    writeText(dir / "rpdodef.csv", "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n"
                                   "0x181,8,0,0,0\r\n641,2,0,0,0\r\n");
    writeText(dir / "RInfoCob.csv", "0,1,33,\r\n1,1,16,\r\n");
    const SheetLookup frames = readWorkbook(dir / "rpdodef.csv", "RPDODEF");
    ASSERT_TRUE(frames.records.has_value());
    EXPECT_EQ(*frames.records, (Records{{"0x181", "8", "0"}, {"641", "2", "0"}}));
    // The map export has no header: its first line is a record.
    const SheetLookup map = readWorkbook(dir / "RInfoCob.csv", "rinfocob");
    ASSERT_TRUE(map.records.has_value());
    EXPECT_EQ(*map.records, (Records{{"0", "1", "33"}, {"1", "1", "16"}}));
    // The file's name is its one worksheet.
    const SheetLookup other = readWorkbook(dir / "RInfoCob.csv", "TInfoCob");
    EXPECT_FALSE(other.records.has_value());
    EXPECT_EQ(other.sheetNames, std::vector<std::string>{"RInfoCob"});
}

TEST(Csv, QuotesLineEndsAndEncodings)
{
    TempDir dir;
    writeText(dir / "rpdodef.csv", "\xEF\xBB\xBF"
                                   "a,b,c\n\"1,5\",\"say \"\"hi\"\"\",\"two\r\nlines\"\n"
                                   "\n3,\xC3\x96l");
    const SheetLookup lookup = readWorkbook(dir / "rpdodef.csv", "rpdodef");
    ASSERT_TRUE(lookup.records.has_value());
    EXPECT_EQ(*lookup.records,
              (Records{{"1,5", "say \"hi\"", "two\r\nlines"}, {}, {"3", "\xC3\x96l"}}));

    // Not UTF-8: written by a Windows program in its ANSI code page.
    writeText(dir / "ansi.csv", "h\r\n\xD6l \xB0"
                                "C\r\n");
    const SheetLookup ansi = readWorkbook(dir / "ansi.csv", "ANSI");
    ASSERT_TRUE(ansi.records.has_value());
    EXPECT_EQ(*ansi.records, (Records{{"\xC3\x96l \xC2\xB0"
                                       "C"}}));
}

// A formula gives the result its workbook stores, as a number's decimal text or as the text;
// where a writer stored none (xlwt, openpyxl) the cell is named, never taken as empty. The
// Calc-written .xls also holds a chart embedded in its fourth sheet.
TEST(Formulas, StoredResultsAreReadAndCellsWithoutOneAreNamed)
{
    const Records computed{{"385", "8", "Speed"}, {"386", "8", "OilTemp"}, {"387", "8", "Flow"}};
    const std::vector<std::string> calcSheets{"Notes", "rpdodef", "RInfoCob", "Chart"};
    const std::vector<std::string> ourSheets{"rpdodef", "RInfoCob", "TInfoCob"};
    const struct {
        const char* file;
        std::vector<std::string> sheets;
        Records records;
        std::vector<std::string> unreadable;
    } cases[] = {
        {"calc.xls", calcSheets, computed, {}},
        {"calc.xlsx", calcSheets, computed, {}},
        {"gnumeric.xls", ourSheets, computed, {}},
        {"formula.ods", ourSheets, computed, {}},
        {"formula.xls",
         {"rpdodef"},
         {{"385", "8", "Speed"}, {}, {"", "8", "Flow"}},
         {"A3", "B3", "C3", "A4"}},
        {"formula.xlsx",
         {"rpdodef"},
         {{"385", "8", "Speed"}, {}, {"", "8", "Flow"}},
         {"A3", "B3", "C3", "A4"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const SheetLookup lookup = readWorkbook(Fixtures / c.file, "rpdodef");
        EXPECT_EQ(lookup.sheetNames, c.sheets);
        ASSERT_TRUE(lookup.records.has_value());
        EXPECT_EQ(*lookup.records, c.records);
        EXPECT_EQ(lookup.unreadableCells, c.unreadable);
    }
    for (const char* file : {"calc.xls", "gnumeric.xls", "formula.ods"}) {
        SCOPED_TRACE(file);
        const SheetLookup map = readWorkbook(Fixtures / file, "RInfoCob");
        ASSERT_TRUE(map.records.has_value());
        EXPECT_EQ(*map.records, (Records{{"0", "1", "33"}}));
    }
    const SheetLookup noResult = readWorkbook(Fixtures / "formula.ods", "TInfoCob");
    ASSERT_TRUE(noResult.records.has_value());
    EXPECT_EQ(*noResult.records, (Records{{"", "1", "136"}}));
    EXPECT_EQ(noResult.unreadableCells, std::vector<std::string>{"A2"});

    // A text result whose STRING record is missing is not stored either.
    TempDir dir;
    std::string bytes = test::readText(Fixtures / "gnumeric.xls");
    const std::size_t string = bytes.find(std::string("\x07\x02\x0a\0\x07\0\0OilTemp", 14));
    ASSERT_NE(string, std::string::npos);
    bytes[string] = '\xFF';
    bytes[string + 1] = '\0';
    writeText(dir / "nostring.xls", bytes);
    const SheetLookup lost = readWorkbook(dir / "nostring.xls", "rpdodef");
    ASSERT_TRUE(lost.records.has_value());
    EXPECT_EQ((*lost.records)[1], (Record{"386", "8"}));
    EXPECT_EQ(lost.unreadableCells, std::vector<std::string>{"C3"});
}

// A shared-string table longer than one record runs on in CONTINUE records, each of which
// starts a string's characters anew with its own width (one byte or two a character).
TEST(Xls, SharedStringsRunOnAcrossContinueRecords)
{
    const SheetLookup lookup = readWorkbook(Fixtures / "long.xls", "rpdodef");
    ASSERT_TRUE(lookup.records.has_value());
    ASSERT_EQ(lookup.records->size(), 399u);
    for (std::size_t r = 1; r <= 399; ++r) {
        SCOPED_TRACE(r);
        char cobId[8];
        std::snprintf(cobId, sizeof cobId, "0x%03zx", r);
        std::string mnemonic;
        for (int i = 0; i < 12; ++i)
            mnemonic += "m\u00e4" + std::to_string(r) + " ";
        if (r % 3 == 0)
            mnemonic += "\u20ac";
        EXPECT_EQ((*lookup.records)[r - 1], (Record{cobId, "8", mnemonic}));
    }
}

// Only the fields the import reads are kept: a cell far right or far down costs nothing, and
// records after the largest map's worth are counted, not kept.
TEST(SheetShape, FieldsBeyondTheThirdAreDroppedAndRecordsBeyondTheLimitCounted)
{
    TempDir dir;
    std::string csv = "cobid\r\n385,8," + std::string(16380, ',') + "far right\r\n";
    for (std::size_t i = 1; i < MaxRecordsRead; ++i)
        csv += ",,m\r\n";
    csv += ",,m\r\n\r\n,,m\r\n\r\n"; // after the records kept: two that hold something
    writeText(dir / "rpdodef.csv", csv);
    const SheetLookup lookup = readWorkbook(dir / "rpdodef.csv", "rpdodef");
    ASSERT_TRUE(lookup.records.has_value());
    ASSERT_EQ(lookup.records->size(), MaxRecordsRead);
    EXPECT_EQ(lookup.records->front(), (Record{"385", "8"}));
    EXPECT_EQ(lookup.records->back(), (Record{"", "", "m"}));
    EXPECT_EQ(lookup.beyond.count, 2u);
    EXPECT_EQ(lookup.beyond.firstRow, MaxRecordsRead + 2);

    writeText(dir / "long.csv", "cobid\r\n385,8," + std::string(MaxFieldBytes + 1, 'm') + "\r\n");
    try {
        readWorkbook(dir / "long.csv", "long");
        ADD_FAILURE() << "read";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "cell C2 holds 1025 bytes of text, more than the 1024 a "
                                         "field of the import can hold");
    }
}

TEST(Unreadable, DamagedFilesAndNonWorkbooksThrowWithTheReason)
{
    TempDir dir;
    writeText(dir / "picture.png", "\x89PNG\r\n\x1A\n....");
    writeText(dir / "archive.xlsx", std::string("PK\x03\x04", 4) + "not really a zip");
    std::filesystem::create_directories(dir / "folder.xls");
    const struct {
        std::filesystem::path file;
        const char* reason;
    } cases[] = {
        {Fixtures / "notes.xls", "not a workbook"},
        {Fixtures / "truncated.xls", ".xls file's container is cut short or damaged"},
        {Fixtures / "truncated.xlsx", "zip archive"},
        {Fixtures / "not-utf8.xlsx",
         "the part xl/worksheets/sheet2.xml holds text that is not UTF-8"},
        {dir / "picture.png", "not a workbook"},
        {dir / "archive.xlsx", "zip archive"},
        {dir / "folder.xls", "folder"},
        {dir / "missing.xls", "No such file"},
        // Not damaged, only a format we do not read: said so.
        {Fixtures / "excel95.xls", "it is an Excel 5.0/95 workbook, which this program does not "
                                   "read; save it in the Excel 97-2003 format (.xls) or as .xlsx "
                                   "or .ods"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        try {
            readWorkbook(c.file, "rpdodef");
            ADD_FAILURE() << "read";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }
}

} // namespace
} // namespace cravent::workbook
