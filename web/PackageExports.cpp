// The engine for JavaScript: the calculation and its renderings as the window has them, and the
// command-line tool's JSON reports, produced by the tool's own code.

#include "cli/LrcTool.h"
#include "engine/Lrc.h"
#include "engine/Render.h"
#include "web/Exports.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::int32_t Calculated[3]; // Valid (0 or 1), ByteCount, Lrc
std::string ReportErrors;

// A stream that collects what is written to it, closed into a string.
class TCollected
{
public:
    TCollected() : m_stream(open_memstream(&m_bytes, &m_size)) {}
    ~TCollected() { std::free(m_bytes); }
    TCollected(const TCollected&) = delete;
    TCollected& operator=(const TCollected&) = delete;

    std::FILE* Stream() const { return m_stream; }
    std::string Close()
    {
        std::fclose(m_stream);
        return {m_bytes, m_size};
    }

private:
    char* m_bytes = nullptr;
    std::size_t m_size = 0;
    std::FILE* m_stream;
};

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

// sumvane-lrc run with `input` as its standard input and `args` (the arguments one after another,
// each its size in four bytes, little-endian, then its bytes, so that a NUL a caller puts in an
// option stays inside it): returns its exit status; the answer is what it wrote to standard
// output, and sumvane_report_errors what it wrote to standard error.
SUMVANE_EXPORT(sumvane_report)
int SumvaneReport(const char* input, std::size_t inputSize, const char* args, std::size_t argsSize)
{
    std::vector<std::string> arguments;
    for (std::size_t at = 0; argsSize - at >= 4;) {
        std::uint32_t size = 0;
        std::memcpy(&size, args + at, 4); // WebAssembly is little-endian
        at += 4;
        size = static_cast<std::uint32_t>(std::min<std::size_t>(size, argsSize - at));
        arguments.emplace_back(args + at, size);
        at += size;
    }
    TCollected out, err;
    const int status = RunLrcToolOnInput(arguments, {input, inputSize}, out.Stream(), err.Stream());
    ReportErrors = err.Close();
    Answer(out.Close());
    return status;
}

SUMVANE_EXPORT(sumvane_report_errors) const TAnswer* SumvaneReportErrors()
{
    return Answer(ReportErrors);
}
