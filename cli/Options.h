#pragma once

#include "cli/SerialPort.h"
#include "report/ReportOptions.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The command line, parsed: what to report, and where the text comes from.
struct TOptions : TReportOptions
{
    bool lines = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> text; // none: standard input
    std::optional<std::string> port; // a serial port to read instead of standard input
    std::optional<std::uint32_t> baud;
    std::optional<int> dataBits;
    std::optional<TParity> parity;
    std::optional<int> stopBits;

    // The port's settings: those given, the rest Modbus ASCII's own 9600 7E1 for its frames and
    // 9600 8N1 for any other.
    TLineSettings LineSettings() const;
};

// The options that take a NAME from one of the tables of report/ReportOptions.h or below.
inline constexpr std::string_view FormatOption = "--format";
inline constexpr std::string_view FieldOption = "--field";

// The options that open and set up a serial port, each taking a value.
inline constexpr std::string_view PortOption = "--port";
inline constexpr std::string_view BaudOption = "--baud";
inline constexpr std::string_view DataBitsOption = "--data-bits";
inline constexpr std::string_view ParityOption = "--parity";
inline constexpr std::string_view StopBitsOption = "--stop-bits";
inline constexpr std::array<std::string_view, 5> PortOptions{PortOption, BaudOption, DataBitsOption,
                                                             ParityOption, StopBitsOption};

inline constexpr std::array<std::pair<std::string_view, TParity>, 3> ParityNames{{
    {"none", TParity::None},
    {"even", TParity::Even},
    {"odd", TParity::Odd},
}};
inline constexpr std::array<std::pair<std::string_view, int>, 2> DataBitsNames{
    {{"7", 7}, {"8", 8}}};
inline constexpr std::array<std::pair<std::string_view, int>, 2> StopBitsNames{
    {{"1", 1}, {"2", 2}}};

// The options that take no value, each with the flag it sets; -h is short for --help.
inline constexpr std::array<std::pair<std::string_view, bool TOptions::*>, 9> Switches{{
    {"--lines", &TOptions::lines},
    {"--check", &TOptions::check},
    {"--append", &TOptions::append},
    {"--json", &TOptions::json},
    {"--status", &TOptions::status},
    {"--quiet", &TOptions::quiet},
    {"--timestamps", &TOptions::timestamps},
    {"--help", &TOptions::help},
    {"--version", &TOptions::version},
}};

extern const std::string_view Usage;

// Parses the arguments after the program name; on a usage error returns the reason.
std::optional<std::string> ParseArguments(const std::vector<std::string>& args, TOptions& options);
