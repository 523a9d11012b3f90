#include "core/settings/RangeValue.h"

#include <gtest/gtest.h>

using namespace cravent::settings;

namespace {

RangeValue octet(const char* text)
{
    return RangeValue(0, 255, text);
}

} // namespace

TEST(RangeValue, IntegerValueRoundsHalfDownForPositiveAndAwayFromZeroForNegative)
{
    const struct {
        int minimum;
        const char* text;
        int expected;
    } cases[] = {
        {0, "12.5", 12},       {0, "12.6", 13},         {0, "12,5", 12},   {0, "12,6", 13},
        {0, "12.4999", 12},    {0, "12.5000001", 13},   {0, "0.5", 0},     {0, "255.5", 255},
        {0, "12.50000000000000000001", 13},               {0, " 007 ", 7}, {0, "5.", 5},
        {0, "-0.4", 0},        {-100, "-12.5", -13},     {-100, "-12.4", -12},
        {-100, "-12.6", -13},  {-100, "-0.5", -1},       {-100, "+12.5", 12},
        // Not a number, or rounded outside the range: the last valid value (here 42).
        {0, "255.6", 42},      {0, "300", 42},           {0, "-0.5", 42},   {0, "-1", 42},
        {0, "-", 42},          {0, ".", 42},             {0, "1e2", 42},    {0, "1.2.3", 42},
        {0, "12a", 42},        {0, "99999999999999999999", 42},
    };
    for (const auto& c : cases) {
        RangeValue field(c.minimum, 255, "42");
        field.setText(c.text);
        EXPECT_EQ(field.value(), c.expected) << c.text;
    }
}

TEST(RangeValue, LastValidValueFollowsEveryTextThatIsANumberInRange)
{
    EXPECT_EQ(octet("").LastValidValue(), 0);
    EXPECT_EQ(octet("x").LastValidValue(), 0);
    EXPECT_EQ(octet("300").LastValidValue(), 0);
    EXPECT_EQ(octet("255").LastValidValue(), 255);

    // Typing a third 0 into 30: the field shows 300 and its value stays 30.
    RangeValue field = octet("3");
    const struct {
        const char* text;
        int lastValid;
    } typing[] = {{"30", 30}, {"300", 30}, {"30", 30}, {"3", 3}, {"", 3}, {"-", 3}, {"-0", 0},
                  {"12.6", 13}, {"1200", 13}, {"abc", 13}};
    for (const auto& t : typing) {
        field.setText(t.text);
        EXPECT_EQ(field.LastValidValue(), t.lastValid) << t.text;
    }

    field.setText("");
    EXPECT_EQ(field.value(), 0);
    EXPECT_EQ(field.text(), "0"); // an empty field is read as "0" and shows it
    EXPECT_EQ(field.LastValidValue(), 0);
}

TEST(RangeValue, LeavingRewritesNumbersInShortestFormWithoutEnforcingTheRange)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "0"},
        {"012.50", "12.5"},
        {"1,25", "1.25"},
        {"1,23456", "1.235"},
        {"1.2344", "1.234"},
        {"0.9995", "1"},
        {"999.9999", "1000"},
        {"-0.0001", "0"},
        {"-0", "0"},
        {"-5", "-5"},
        {"300", "300"},
        {"5.", "5"},
        {".5", "0.5"},
        {"12345678901234567890.12345", "12345678901234567890.123"},
        {"99999999999999999999.9999", "100000000000000000000"},
        {"abc", "abc"}, // not a number: nothing to rewrite
        {"-", "-"},
    };
    for (const auto& [text, expected] : cases) {
        RangeValue field = octet("7");
        field.setText(text);
        field.leave();
        EXPECT_EQ(field.text(), expected) << text;
    }
}

TEST(RangeValue, UpAndDownStepTheShownNumberAndClampToTheRange)
{
    EXPECT_EQ(stepAmount(false, false), 1);
    EXPECT_EQ(stepAmount(true, false), 10);
    EXPECT_EQ(stepAmount(false, true), 100);
    EXPECT_EQ(stepAmount(true, true), 1000);

    const struct {
        const char* text;
        int amount;
        const char* expected;
    } cases[] = {
        {"30", 1, "31"},     {"30", 10, "40"},   {"30", -10, "20"},    {"100", 100, "200"},
        {"250", 10, "255"},  {"5", -10, "0"},    {"0", -1, "0"},        {"1", 1000, "255"},
        {"300", 1, "255"},   {"300", -1, "255"}, {"-20", 1, "0"},       {"12.5", 1, "13.5"},
        {"254.9", 1, "255"}, {"", 1, "1"},       {"x", 1, "43"},        {"012", -1, "11"},
    };
    for (const auto& c : cases) {
        RangeValue field = octet("42");
        field.setText(c.text);
        field.step(c.amount);
        EXPECT_EQ(field.text(), c.expected) << c.text << " " << c.amount;
    }
    RangeValue field = octet("254");
    field.step(1);
    EXPECT_EQ(field.LastValidValue(), 255);
}

TEST(RangeValue, AcceptsDigitsOneSeparatorALeadingMinusAndEditingKeys)
{
    const struct {
        const char* typed;
        const char* before;
        const char* after;
        bool accepted;
    } cases[] = {
        {"5", "12", "", true},   {"0", "", "", true},      {"", "12", "", true},
        {"\b", "12", "", true},  {"\x7f", "", "12", true}, {"\t", "1", "", true},
        {"\r", "1", "", true},   {".", "12", "", true},    {",", "12", "", true},
        {".", "1.2", "", false}, {",", "1", "2.5", false}, {".", "1", "2,5", false},
        {"-", "", "12", true},   {"-", "1", "2", false},   {"-", "", "-12", false},
        {"-", "", "", true},     {"a", "", "", false},     {" ", "1", "", false},
        {"+", "", "", false},    {"e", "1", "", false},    {"\xC3\xA9", "", "", false},
        {"12", "", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(acceptsKey(c.typed, c.before, c.after), c.accepted)
            << "'" << c.typed << "' between '" << c.before << "' and '" << c.after << "'";
}
