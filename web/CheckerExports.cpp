// The checker of a log pushed in pieces, as both modules export it, and the options it and the
// package's reports take.

#include "web/CheckerExports.h"

#include "report/Messages.h"
#include "report/Timestamp.h"
#include "web/Exports.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace {

// The port errors a browser's serial port reports, in the order of PORT_ERRORS in
// package/index.mjs and PortErrors in page/lrc.js.
constexpr std::array<TPortFault, 4> PortFaults{TPortFault::Parity, TPortFault::Framing,
                                               TPortFault::Overrun, TPortFault::Break};

// "spaced, packed, modbus-ascii, c-array or colon"
std::string FormatList()
{
    std::string list;
    for (std::size_t i = 0; i < FormatNames.size(); ++i) {
        if (i > 0)
            list += i + 1 == FormatNames.size() ? " or " : ", ";
        list += FormatNames[i].first;
    }
    return list;
}

// A log checked as JavaScript pushes its pieces: what a handle points to.
struct TLiveChecker
{
    TLiveChecker(const TReportOptions& options, bool port)
        : Checker(options, Sink, LiveLineLimit, port), Timestamps(options.timestamps)
    {
    }

    TJsonSink Sink;
    TLineChecker Checker;
    bool Timestamps;
};

// The time a piece arrived, where the checker's reports carry one.
std::string ArrivalTime(const TLiveChecker& live, double unixMilliseconds, int utcOffsetMinutes)
{
    return live.Timestamps
               ? TimestampText(static_cast<std::int64_t>(unixMilliseconds), utcOffsetMinutes)
               : std::string();
}

} // namespace

std::optional<std::string> OptionsOf(const char* format, std::size_t formatSize, int check,
                                     int append, int timestamps, TReportOptions& options)
{
    if (format) {
        const std::string_view name(format, formatSize);
        const auto found = std::find_if(FormatNames.begin(), FormatNames.end(),
                                        [&](const auto& entry) { return entry.first == name; });
        if (found == FormatNames.end())
            return "unknown format '" + std::string(name) + "' (expected " + FormatList() + ")";
        options.format = found->second;
    }
    options.check = check != 0;
    options.append = append != 0;
    options.timestamps = timestamps != 0;
    options.json = true;
    return ConflictOf(options);
}

// A checker of a log pushed in pieces, for sumvane_checker_push, _fault and _end; lines longer
// than LiveLineLimit are cut. `port`: the log comes from a serial port and its summary counts
// port errors. Returns 0 for options that are refused, and the answer is the reason.
SUMVANE_EXPORT(sumvane_checker_new)
TLiveChecker* SumvaneCheckerNew(const char* format, std::size_t formatSize, int check, int append,
                                int timestamps, int port)
{
    TReportOptions options;
    if (auto refused = OptionsOf(format, formatSize, check, append, timestamps, options)) {
        Answer(std::move(*refused));
        return nullptr;
    }
    return new TLiveChecker(options, port != 0);
}

// The next bytes of the log, arrived at that moment: the reports of the lines they end.
SUMVANE_EXPORT(sumvane_checker_push)
const TAnswer* SumvaneCheckerPush(const char* bytes, std::size_t size, TLiveChecker* live,
                                  double unixMilliseconds, int utcOffsetMinutes)
{
    live->Checker.Push({bytes, size}, ArrivalTime(*live, unixMilliseconds, utcOffsetMinutes));
    return Answer(live->Sink.Take());
}

// A port error at this point of the log, by its index in PortFaults: the reports it makes now
// (none while a line is being received).
SUMVANE_EXPORT(sumvane_checker_fault)
const TAnswer* SumvaneCheckerFault(TLiveChecker* live, std::size_t fault, double unixMilliseconds,
                                   int utcOffsetMinutes)
{
    live->Checker.Fault(PortFaults.at(fault),
                        ArrivalTime(*live, unixMilliseconds, utcOffsetMinutes));
    return Answer(live->Sink.Take());
}

// The log has ended: the last line's report and the summary. The checker is freed.
SUMVANE_EXPORT(sumvane_checker_end)
const TAnswer* SumvaneCheckerEnd(TLiveChecker* live, double unixMilliseconds, int utcOffsetMinutes)
{
    live->Checker.End(ArrivalTime(*live, unixMilliseconds, utcOffsetMinutes));
    const TAnswer* answer = Answer(live->Sink.Take());
    delete live;
    return answer;
}

// A checker dropped before its log ended.
SUMVANE_EXPORT(sumvane_checker_free) void SumvaneCheckerFree(TLiveChecker* live)
{
    delete live;
}
