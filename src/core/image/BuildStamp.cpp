#include "core/image/BuildStamp.h"

#include "core/common/Error.h"

#include <charconv>
#include <cstdlib>
#include <ctime>
#include <string_view>

namespace cravent::image {

namespace {

constexpr const char* SourceDateEpoch = "SOURCE_DATE_EPOCH";

BuildMoment fromTm(const std::tm& tm)
{
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

[[noreturn]] void invalidEpoch(std::string_view text)
{
    throw Error(std::string(SourceDateEpoch) + " '" + std::string(text) +
                "' is not a number of seconds since 1970-01-01 00:00:00 UTC");
}

} // namespace

std::uint16_t PackBuildDate(const BuildMoment& moment)
{
    const int year = ((moment.year % 100) + 100) % 100;
    return static_cast<std::uint16_t>(moment.day * 2048 + moment.month * 128 + year);
}

std::uint16_t PackBuildTime(const BuildMoment& moment)
{
    return static_cast<std::uint16_t>((moment.second / 2) * 2048 + moment.minute * 32 +
                                      moment.hour);
}

BuildMoment buildMomentNow()
{
    std::tm tm{};
    const char* epoch = std::getenv(SourceDateEpoch);
    if (epoch != nullptr && *epoch != '\0') {
        const std::string_view text(epoch);
        long long seconds = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
        if (error != std::errc() || end != text.data() + text.size() || seconds < 0)
            invalidEpoch(text);
        const auto time = static_cast<std::time_t>(seconds);
        if (::gmtime_r(&time, &tm) == nullptr)
            invalidEpoch(text);
        return fromTm(tm);
    }
    const std::time_t now = std::time(nullptr);
    ::localtime_r(&now, &tm);
    return fromTm(tm);
}

} // namespace cravent::image
