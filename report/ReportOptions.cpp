#include "report/ReportOptions.h"

#include <tuple>

std::optional<std::string> ConflictOf(const TReportOptions& options)
{
    // Each pair asks for two answers where one is printed.
    const std::array<std::tuple<bool, bool, std::string_view>, 6> conflicts{{
        {options.check, options.field.has_value(), "--check and --field"},
        {options.append, options.check, "--append and --check"},
        {options.append, options.field.has_value(), "--append and --field"},
        {options.json, options.field.has_value(), "--json and --field"},
        {options.status, options.json, "--status and --json"},
        {options.status, options.quiet, "--status and --quiet"},
    }};
    for (const auto& [one, other, names] : conflicts) {
        if (one && other)
            return std::string(names) + " cannot be combined";
    }
    // A frame built goes out as it is, ready to send: a time before it would break it.
    if (options.timestamps && options.append && !options.json)
        return std::string("--timestamps and --append cannot be combined; with --json each frame "
                           "built has its time");
    return std::nullopt;
}
