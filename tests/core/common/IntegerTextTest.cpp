#include "core/common/Error.h"
#include "core/common/IntegerText.h"

#include <gtest/gtest.h>

using cravent::parseIntegerText;

TEST(IntegerText, AcceptsDecimalAndEveryHexadecimalPrefix)
{
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"385", 385},          {"0x181", 385},         {"$181", 385},
        {"0X181", 385},        {"x181", 385},          {"X181", 385},
        {"0xabcDEF", 0xABCDEF}, {" -12", -12},         {"   +7", 7},
        {"0", 0},              {"-0", 0},              {"0xFFFFFFFF", -1},
        {"0x80000000", INT32_MIN}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"-0x10", -16},        {"0x000000001", 1},     {"007", 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(parseIntegerText(c.text).has_value());
        EXPECT_EQ(*parseIntegerText(c.text), c.value);
    }
}

TEST(IntegerText, RefusesWhatIsNotIntegerText)
{
    for (const char* text : {"", " ", "385 ", "-", "+", "$", "0x", "x", "abc", "12a", "1.5",
                             "2147483648", "-2147483649", "99999999999", "0x100000000",
                             "\t5", "5\r", "--5", "+-5", "0x-5", "$ 5", "1e3"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(parseIntegerText(text).has_value());
    }
}

TEST(IntegerText, ConversionErrorQuotesTheText)
{
    try {
        cravent::toInteger("385 ");
        FAIL() << "no error";
    } catch (const cravent::Error& error) {
        EXPECT_STREQ(error.what(), "'385 ' is not a valid integer value");
    }
    EXPECT_EQ(cravent::toInteger("$181"), 385);
}
