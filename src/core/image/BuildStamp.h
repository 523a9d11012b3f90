#pragma once

#include <cstdint>

namespace cravent::image {

// A calendar date and wall-clock time, as the build stamp takes them.
struct BuildMoment {
    int year = 2000;
    int month = 1; // 1 to 12
    int day = 1;   // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Date word: day in bits 15..11, month in bits 10..7, year mod 100 in bits 6..0.
std::uint16_t PackBuildDate(const BuildMoment& moment);
// Time word: seconds / 2 in bits 15..11, minutes in bits 10..5, hours in bits 4..0.
std::uint16_t PackBuildTime(const BuildMoment& moment);

// The moment a build is stamped with; the only place the clock is read, once per build so that
// date and time belong to the same instant. When SOURCE_DATE_EPOCH is set, its seconds are taken
// as UTC instead of the local clock (an empty value counts as unset), so that the same project
// builds to the same bytes. Throws Error when SOURCE_DATE_EPOCH is not a number of seconds.
BuildMoment buildMomentNow();

} // namespace cravent::image
