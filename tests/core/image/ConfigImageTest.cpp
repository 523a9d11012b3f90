#include "core/image/ConfigImage.h"

#include "core/common/Error.h"
#include "core/image/BuildStamp.h"
#include "ImageTestSupport.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace cravent::image;

using cravent::test::bytes;

TEST(ConfigImage, RegionsLieWhereTheDeviceReadsThem)
{
    const struct {
        Region region;
        int bank;
        std::size_t offset;
        std::size_t entries;
        std::size_t entrySize;
    } cases[] = {
        {RxIndexTable, 1, 0, 2048, IndexEntrySize},
        {RxFrameTable20B, 1, 0, 725, RxFrameEntrySize20B},
        {RxRegisterMap, 1, 4352, 2912, RegisterEntrySize},
        {RxFrameTable20A, 2, 0, 250, FrameEntrySize20A},
        {TxFrameTable20A, 2, 750, 250, FrameEntrySize20A},
        {TxFrameTable20B, 2, 0, 300, TxFrameEntrySize20B},
        {TxRegisterMap, 2, 1500, 3721, RegisterEntrySize},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.region.bank, c.bank);
        EXPECT_EQ(c.region.offset, c.offset);
        EXPECT_EQ(c.region.capacity(c.entrySize), c.entries) << c.offset;
    }
    EXPECT_EQ(RxPresenceMap.offset, 4096u);
    EXPECT_EQ(CommBlock.offset, 16000u);
    EXPECT_EQ(CommBlock.size, 24u);
}

TEST(ConfigImage, WritesLittleEndianLowOrderBitsInsideTheRegion)
{
    ConfigImage image;
    for (int n = 1; n <= BankCount; ++n)
        for (const std::uint8_t b : image.bank(n))
            ASSERT_EQ(b, 0);

    image.put32(TxFrameTable20B, 5, 0x1ABCD);
    image.put16(TxFrameTable20A, 1, 0x12345); // keeps 0x2345
    image.put8(CommBlock, 23, 0x1FF);
    image.setBit(RxPresenceMap, 2047);
    image.setBit(RxPresenceMap, 9);
    image.fill(RxIndexTable, 0xFF);

    EXPECT_EQ(bytes(image, 2, 5, 4), (std::vector<std::uint8_t>{0xCD, 0xAB, 0x01, 0x00}));
    EXPECT_EQ(bytes(image, 2, 750, 4), (std::vector<std::uint8_t>{0x00, 0x45, 0x23, 0x00}));
    EXPECT_EQ(image.bank(1)[16023], 0xFF);
    EXPECT_EQ(image.bank(1)[4351], 0x80);
    EXPECT_EQ(image.bank(1)[4097], 0x02);
    EXPECT_EQ(image.bank(1)[4095], 0xFF);
    EXPECT_EQ(image.bank(1)[4096], 0x00);
}

TEST(ConfigImage, RefusesEveryWriteThatWouldLeaveItsRegion)
{
    ConfigImage image;
    EXPECT_THROW(image.put8(RxFrameTable20A, 750, 1), std::out_of_range);
    EXPECT_THROW(image.put16(RxFrameTable20A, 749, 1), std::out_of_range); // one byte would spill
    EXPECT_THROW(image.put32(TxRegisterMap, TxRegisterMap.size - 3, 1), std::out_of_range);
    EXPECT_THROW(image.put16(RxIndexTable, 4096, 1), std::out_of_range);
    EXPECT_THROW(image.setBit(RxPresenceMap, 2048), std::out_of_range);
    EXPECT_THROW(image.put8(Region{2, 16380, 8}, 5, 1), std::out_of_range); // past the bank
    EXPECT_THROW(image.put8(Region{6, 0, 1}, 0, 1), std::out_of_range);
    EXPECT_THROW((void)image.bank(0), std::out_of_range);
    EXPECT_THROW((void)image.bank(6), std::out_of_range);
    // Nothing was touched by the refused writes.
    for (int n = 1; n <= BankCount; ++n)
        for (const std::uint8_t b : image.bank(n))
            ASSERT_EQ(b, 0);
    image.put32(TxRegisterMap, TxRegisterMap.size - 4, 0xA1B2C3D4);
    EXPECT_EQ(image.bank(2)[16383], 0xA1);
}

TEST(BuildStamp, PacksDateAndTimeWords)
{
    const struct {
        BuildMoment moment;
        std::uint16_t date;
        std::uint16_t time;
    } cases[] = {
        {{2025, 12, 9, 14, 37, 52}, 0x4E19, 0xD4AE},
        {{2000, 1, 1, 0, 0, 0}, 0x0880, 0x0000},
        {{2000, 1, 1, 23, 59, 59}, 0x0880, 0xEF77},
        {{2099, 12, 31, 23, 59, 58}, 31 * 2048 + 12 * 128 + 99, 29 * 2048 + 59 * 32 + 23},
        {{2026, 2, 28, 9, 5, 1},
         28 * 2048 + 2 * 128 + 26,
         0 * 2048 + 5 * 32 + 9}, // odd second halved down
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PackBuildDate(c.moment), c.date) << c.moment.year << '-' << c.moment.day;
        EXPECT_EQ(PackBuildTime(c.moment), c.time) << c.moment.hour << ':' << c.moment.second;
    }
}

namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
        ::tzset();
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
        ::tzset();
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(BuildStamp, SourceDateEpochIsTakenAsUtcWhateverTheLocalZone)
{
    ScopedEnv zone("TZ", "XXX-05:30"); // half an hour off, so that a local reading would show
    {
        ScopedEnv epoch("SOURCE_DATE_EPOCH", "1765291072"); // 2025-12-09 14:37:52 UTC
        const BuildMoment m = buildMomentNow();
        EXPECT_EQ(PackBuildDate(m), 0x4E19);
        EXPECT_EQ(PackBuildTime(m), 0xD4AE);
    }
    {
        ScopedEnv epoch("SOURCE_DATE_EPOCH", "946684799"); // 1999-12-31 23:59:59 UTC
        const BuildMoment m = buildMomentNow();
        EXPECT_EQ(m.year, 1999);
        EXPECT_EQ(PackBuildTime(m), 0xEF77);
    }
    for (const char* bad : {"abc", "-1", "12x", " 5", "99999999999999999999999"}) {
        ScopedEnv epoch("SOURCE_DATE_EPOCH", bad);
        try {
            (void)buildMomentNow();
            ADD_FAILURE() << bad;
        } catch (const cravent::Error& error) {
            EXPECT_EQ(std::string(error.what()),
                      "SOURCE_DATE_EPOCH '" + std::string(bad) +
                          "' is not a number of seconds since 1970-01-01 00:00:00 UTC");
        }
    }
}

TEST(BuildStamp, WithoutSourceDateEpochTheLocalClockIsRead)
{
    ScopedEnv zone("TZ", "XXX-05:30");
    for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
        ScopedEnv epoch("SOURCE_DATE_EPOCH", unset);
        const std::time_t before = std::time(nullptr);
        const BuildMoment m = buildMomentNow();
        const std::time_t after = std::time(nullptr);
        const auto minuteOf = [](std::time_t t) {
            std::tm local{};
            ::localtime_r(&t, &local);
            return local.tm_hour * 60 + local.tm_min;
        };
        const int got = m.hour * 60 + m.minute;
        EXPECT_TRUE(got == minuteOf(before) || got == minuteOf(after))
            << "a reading in UTC would be 330 minutes off";
    }
}
