// The engine for JavaScript: the calculation and its renderings as the window has them, and the
// JSON reports of frames and logs that sumvane-lrc --json prints, from the same report code.

#include "engine/Lrc.h"
#include "engine/Render.h"
#include "report/FrameReport.h"
#include "report/LineChecker.h"
#include "report/Messages.h"
#include "report/ReportOptions.h"
#include "report/Timestamp.h"
#include "web/Exports.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

std::int32_t Calculated[3]; // Valid (0 or 1), ByteCount, Lrc

// The port errors a browser's serial port reports, in the order of PORT_ERRORS in
// package/index.mjs.
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

// The options a caller gives, as report/ takes them, always as JSON; on a refusal, the reason.
// `format` null: no format given (spaced, and a malformed frame hints at the others).
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

// With json every report, the summary too, is a line of Text(); nothing is meant for standard
// error.
class TJsonSink : public TReportSink
{
public:
    void Error(std::string_view /*line*/) override {}

    // The lines gathered since the last call.
    std::string Take() { return std::exchange(Text(), {}); }
};

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

// The data text (UTF-8) checked: points at Valid, ByteCount and Lrc.
SUMVANE_EXPORT(sumvane_calculate)
const std::int32_t* SumvaneCalculate(const char* utf8, std::size_t size)
{
    const TLrcResult result = CalculateLrcUtf8({utf8, size});
    Calculated[0] = result.Valid ? 1 : 0;
    Calculated[1] = result.ByteCount;
    Calculated[2] = result.Lrc;
    return Calculated;
}

// The five texts of a result, joined by NUL; a result that is not valid fails as the engine does.
SUMVANE_EXPORT(sumvane_render)
const TAnswer* SumvaneRender(int valid, std::int32_t byteCount, int lrc)
{
    const TLrcTexts texts = RenderLrc({valid != 0, byteCount, lrc});
    return Answer(
        Joined({texts.Hex, texts.Decimal, texts.Octal, texts.Binary, texts.ByteCountText}));
}

// The JSON report of `input`: one frame's object, or with `lines` one object a line and the
// summary last, each ended by a line feed. Returns ExitUsage for options that are refused, and
// the answer is the reason; else the answer is the report.
SUMVANE_EXPORT(sumvane_report)
int SumvaneReport(const char* input, std::size_t inputSize, const char* format,
                  std::size_t formatSize, int check, int append, int lines)
{
    TReportOptions options;
    if (auto refused = OptionsOf(format, formatSize, check, append, 0, options)) {
        Answer(std::move(*refused));
        return ExitUsage;
    }
    if (!lines) {
        TFrameAnswer answer = AnswerFrame(options, {input, inputSize});
        Answer(std::move(answer.Out));
        return answer.Status;
    }
    TJsonSink sink;
    TLineChecker checker(options, sink);
    checker.Push({input, inputSize});
    checker.End();
    Answer(sink.Take());
    return checker.Status();
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
