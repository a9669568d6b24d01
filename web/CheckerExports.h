#pragma once

#include "report/LineChecker.h"
#include "report/ReportOptions.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

// What both modules share: the options as JavaScript gives them, the JSON reports gathered, and
// the checker of a log pushed in pieces (the exports sumvane_checker_new, _push, _fault, _end
// and _free, defined in CheckerExports.cpp).

// The options a caller gives, as report/ takes them, always as JSON; on a refusal, the reason.
// `format` null: no format given (spaced, and a malformed frame hints at the others).
std::optional<std::string> OptionsOf(const char* format, std::size_t formatSize, int check,
                                     int append, int timestamps, TReportOptions& options);

// With json every report, the summary too, is a line of Text(); nothing is meant for standard
// error.
class TJsonSink : public TReportSink
{
public:
    void Error(std::string_view /*line*/) override {}

    // The lines gathered since the last call.
    std::string Take() { return std::exchange(Text(), {}); }
};
