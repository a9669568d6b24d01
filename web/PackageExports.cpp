// The engine for JavaScript: the calculation and its renderings as the window has them, and the
// JSON reports of frames and logs that sumvane-lrc --json prints, from the same report code
// (the checker of a log pushed in pieces is CheckerExports.cpp's, which the page shares).

#include "engine/Lrc.h"
#include "engine/Render.h"
#include "report/FrameReport.h"
#include "report/LineChecker.h"
#include "report/ReportOptions.h"
#include "web/CheckerExports.h"
#include "web/Exports.h"

#include <cstdint>
#include <string>
#include <utility>

namespace {

std::int32_t Calculated[3]; // Valid (0 or 1), ByteCount, Lrc

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
