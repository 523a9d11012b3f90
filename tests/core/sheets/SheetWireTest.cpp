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
    return lookup;
}

TEST(SheetWire, AnswersComeBackAsTheyWereSent)
{
    const ReaderAnswer found = decodeAnswer(encodeLookup(sample()));
    EXPECT_FALSE(found.failure);
    EXPECT_EQ(found.lookup.sheetNames, sample().sheetNames);
    EXPECT_EQ(found.lookup.records, sample().records);

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

} // namespace
} // namespace cravent::sheets
