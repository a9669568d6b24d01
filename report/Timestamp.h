#pragma once

#include <cstdint>
#include <string>

// "2026-12-11T13:05:53.333+01:00": a moment (milliseconds since 1970 began in UTC) as the local
// time of a zone `utcOffsetMinutes` east of UTC, ISO 8601 to the millisecond with the offset.
std::string TimestampText(std::int64_t unixMilliseconds, int utcOffsetMinutes);

// The moment now as this machine's local time.
std::string LocalTimestampNow();
