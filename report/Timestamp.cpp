#include "report/Timestamp.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back (H. Hinnant's
// civil-date algorithms), so that no time zone of the C library is involved in the text itself.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

struct TCivil
{
    std::int64_t Year;
    unsigned Month, Day;
};

TCivil CivilFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shifted = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    const unsigned month = shifted < 10 ? shifted + 3 : shifted - 9;
    return {static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2), month, day};
}

std::int64_t FloorDivide(std::int64_t a, std::int64_t b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// Seconds of a broken-down time counted as if it were UTC.
std::int64_t SecondsOf(const std::tm& time)
{
    return DaysFromCivil(time.tm_year + 1900LL, static_cast<unsigned>(time.tm_mon + 1),
                         static_cast<unsigned>(time.tm_mday)) *
               86400 +
           time.tm_hour * 3600 + time.tm_min * 60 + time.tm_sec;
}

} // namespace

std::string TimestampText(std::int64_t unixMilliseconds, int utcOffsetMinutes)
{
    const std::int64_t local = unixMilliseconds + std::int64_t{utcOffsetMinutes} * 60000;
    const std::int64_t days = FloorDivide(local, 86400000);
    const std::int64_t inDay = local - days * 86400000;
    const TCivil date = CivilFromDays(days);
    const int offset = utcOffsetMinutes < 0 ? -utcOffsetMinutes : utcOffsetMinutes;
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02d:%02d:%02d.%03d%c%02d:%02d",
                  static_cast<long long>(date.Year), date.Month, date.Day,
                  static_cast<int>(inDay / 3600000), static_cast<int>(inDay / 60000 % 60),
                  static_cast<int>(inDay / 1000 % 60), static_cast<int>(inDay % 1000),
                  utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::string LocalTimestampNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::int64_t milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(FloorDivide(milliseconds, 1000));
    std::tm local{}, utc{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
    gmtime_s(&utc, &seconds);
#else
    localtime_r(&seconds, &local);
    gmtime_r(&seconds, &utc);
#endif
    // The zone's offset at this moment, summer time included, from the two readings of it.
    const auto offsetMinutes = static_cast<int>((SecondsOf(local) - SecondsOf(utc)) / 60);
    return TimestampText(milliseconds, offsetMinutes);
}
