#pragma once

#include "engine/Frame.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// The command line, parsed.
struct TOptions
{
    std::optional<TField> field;
    std::optional<TFrameFormat> format;
    bool check = false;
    bool lines = false;
    bool append = false; // print the frame with its LRC appended
    bool json = false;
    bool status = false; // print nothing: the exit status is the answer
    bool quiet = false;  // with lines: print only the frames that fail, and the tally
    bool help = false;
    bool version = false;
    std::optional<std::string> text; // none: standard input

    TFrameFormat Format() const { return format.value_or(TFrameFormat::Spaced); }
};

// Every --format name, in the order the help and the hints give them.
inline constexpr std::array<std::pair<std::string_view, TFrameFormat>, 5> FormatNames{{
    {"spaced", TFrameFormat::Spaced},
    {"packed", TFrameFormat::Packed},
    {"modbus-ascii", TFrameFormat::ModbusAscii},
    {"c-array", TFrameFormat::CArray},
    {"colon", TFrameFormat::Colon},
}};

// Every --field name, in the order the help gives them.
inline constexpr std::array<std::pair<std::string_view, TField>, 5> FieldNames{{
    {"hex", TField::Hex},
    {"decimal", TField::Decimal},
    {"octal", TField::Octal},
    {"binary", TField::Binary},
    {"bytes", TField::Bytes},
}};

// The options that take a NAME from one of the tables above.
inline constexpr std::string_view FormatOption = "--format";
inline constexpr std::string_view FieldOption = "--field";

// The options that take no value, each with the flag it sets; -h is short for --help.
inline constexpr std::array<std::pair<std::string_view, bool TOptions::*>, 8> Switches{{
    {"--lines", &TOptions::lines},
    {"--check", &TOptions::check},
    {"--append", &TOptions::append},
    {"--json", &TOptions::json},
    {"--status", &TOptions::status},
    {"--quiet", &TOptions::quiet},
    {"--help", &TOptions::help},
    {"--version", &TOptions::version},
}};

extern const std::string_view Usage;

// Parses the arguments after the program name; on a usage error returns the reason.
std::optional<std::string> ParseArguments(const std::vector<std::string>& args, TOptions& options);
