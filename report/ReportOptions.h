#pragma once

#include "engine/Frame.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// Exit statuses of sumvane-lrc, and the verdicts of its reports.
enum TExitStatus : int
{
    ExitOk = 0,        // valid text (with --check: the frame's LRC checks)
    ExitMalformed = 1, // malformed text (with --check: also a frame whose LRC does not check)
    ExitUsage = 2,     // bad command line, unreadable input or unwritable output
};

// The value --field asks for; All is the five-line report.
enum class TField
{
    All,
    Hex,
    Decimal,
    Octal,
    Binary,
    Bytes
};

// What a report is asked for: the frame's format and what to say of it. The tool's options of
// the same names; the package's options too.
struct TReportOptions
{
    std::optional<TField> field;
    std::optional<TFrameFormat> format; // none: spaced, and a malformed text hints at others
    bool check = false;
    bool append = false; // the frame with its LRC appended
    bool json = false;
    bool status = false;     // nothing said: the exit status is the answer
    bool quiet = false;      // of a log: only the frames that fail, and the tally
    bool timestamps = false; // of a log: each report begins with the time its line end arrived

    TFrameFormat Format() const { return format.value_or(TFrameFormat::Spaced); }
};

// Every format name, in the order the help and the hints give them.
inline constexpr std::array<std::pair<std::string_view, TFrameFormat>, 5> FormatNames{{
    {"spaced", TFrameFormat::Spaced},
    {"packed", TFrameFormat::Packed},
    {"modbus-ascii", TFrameFormat::ModbusAscii},
    {"c-array", TFrameFormat::CArray},
    {"colon", TFrameFormat::Colon},
}};

// Every field name, in the order the help gives them.
inline constexpr std::array<std::pair<std::string_view, TField>, 5> FieldNames{{
    {"hex", TField::Hex},
    {"decimal", TField::Decimal},
    {"octal", TField::Octal},
    {"binary", TField::Binary},
    {"bytes", TField::Bytes},
}};

// The reason options that ask for two answers where one is printed cannot be combined, or none.
std::optional<std::string> ConflictOf(const TReportOptions& options);
