#include "core/sheets/SheetWire.h"

#include "core/common/Error.h"

#include <gtest/gtest.h>

namespace cravent::sheets {
namespace {

SheetLookup sample()
{
    SheetLookup lookup;
    lookup.sheetNames = {"Notes", "rpdodef", ""};
    lookup.records =
        std::vector<Record>{{"0x181", "8", "\u00d6l"}, {}, {"", std::string("a\0b", 3)}};
    lookup.beyond = {7, 4000};
    lookup.unreadableCells = {"A3", "XFD1048576"};
    return lookup;
}

TEST(SheetWire, AnswersComeBackAsTheyWereSent)
{
    const ReaderAnswer found = decodeAnswer(encodeLookup(sample()));
    EXPECT_FALSE(found.failure);
    EXPECT_EQ(found.lookup.sheetNames, sample().sheetNames);
    EXPECT_EQ(found.lookup.records, sample().records);
    EXPECT_EQ(found.lookup.beyond.count, 7u);
    EXPECT_EQ(found.lookup.beyond.firstRow, 4000u);
    EXPECT_EQ(found.lookup.unreadableCells, sample().unreadableCells);

    SheetLookup missing;
    missing.sheetNames = {"Sheet1"};
    const ReaderAnswer notFound = decodeAnswer(encodeLookup(missing));
    EXPECT_FALSE(notFound.lookup.records.has_value());
    EXPECT_EQ(notFound.lookup.sheetNames, missing.sheetNames);

    EXPECT_EQ(decodeAnswer(encodeFailure("not a workbook")).failure, "not a workbook");
}

// A helper that dies mid-answer leaves a prefix; one that goes wrong may write anything.
TEST(SheetWire, EveryCutShortOrAlteredAnswerIsRefused)
{
    const std::string whole = encodeLookup(sample());
    for (std::size_t size = 0; size < whole.size(); ++size)
        EXPECT_THROW(decodeAnswer(whole.substr(0, size)), Error) << size;
    EXPECT_THROW(decodeAnswer(whole + "x"), Error);
    EXPECT_THROW(decodeAnswer("Segmentation fault\n"), Error);

    // A count larger than the bytes left is refused before anything is reserved for it.
    std::string huge = whole;
    const std::size_t names = std::string("CRAVENT-SHEET 1\nL").size();
    huge.replace(names, 4, "\xFF\xFF\xFF\x7F");
    EXPECT_THROW(decodeAnswer(huge), Error);
}

// The answer carries what an import can use and no more, so that the caller can cap it at
// MaxAnswerBytes and its decoding stays near that size.
TEST(SheetWire, AnswersHoldOnlyWhatAnImportUsesAndStayUnderTheCap)
{
    SheetLookup wide;
    wide.sheetNames.assign(MaxSheetNames + 5, std::string(300, 'n') + "\u00e4");
    wide.sheetNames[0] =
        std::string(MaxSheetNameBytes - 1, 'n') + "\u00e4"; // cut before the two bytes
    wide.records = std::vector<Record>{{"1", "2", "3", "4", "5"}};
    const ReaderAnswer kept = decodeAnswer(encodeLookup(wide));
    EXPECT_EQ(kept.lookup.sheetNames.size(), MaxSheetNames);
    EXPECT_EQ(kept.lookup.sheetNames[0], std::string(MaxSheetNameBytes - 1, 'n'));
    EXPECT_EQ(kept.lookup.sheetNames[1], std::string(MaxSheetNameBytes, 'n'));
    EXPECT_EQ(kept.lookup.records, (std::vector<Record>{{"1", "2", "3"}}));

    // The largest answer there can be fits under the cap.
    SheetLookup largest;
    largest.sheetNames.assign(MaxSheetNames, std::string(MaxSheetNameBytes, 'n'));
    largest.records =
        std::vector<Record>(MaxRecordsRead, Record(FieldsRead, std::string(MaxFieldBytes, 'x')));
    largest.unreadableCells.assign(FieldsRead * MaxRecordsRead, "XFD1048576");
    EXPECT_LE(encodeLookup(largest).size(), MaxAnswerBytes);
    EXPECT_LE(encodeFailure(std::string(100000, 'r')).size(), MaxAnswerBytes);

    // More than that is refused by the writer and by the reader.
    SheetLookup tooMany = largest;
    tooMany.records->emplace_back();
    EXPECT_THROW(encodeLookup(tooMany), Error);
    SheetLookup tooLong;
    tooLong.records = std::vector<Record>{{std::string(MaxFieldBytes + 1, 'x')}};
    EXPECT_THROW(encodeLookup(tooLong), Error);

    // A record of four fields, written by hand: refused.
    SheetLookup three;
    three.records = std::vector<Record>{{"a", "b", "c"}};
    std::string bytes = encodeLookup(three);
    const std::size_t fields = bytes.find(std::string("\x03\0\0\0\x01\0\0\0a", 9));
    ASSERT_NE(fields, std::string::npos);
    bytes[fields] = '\x04';
    bytes.insert(bytes.find("END\n") - 12, std::string("\x01\0\0\0d", 5));
    EXPECT_THROW(decodeAnswer(bytes), Error);
}

} // namespace
} // namespace cravent::sheets
