// Feeds arbitrary input to the engine the two ways it arrives, as UTF-8 bytes (the command-line
// tool) and as UTF-16 code units (the window, lone surrogates included), and holds the verdict,
// byte count and LRC to the independent model, and the diagnosis of malformed text to the
// verdict: a flaw exactly when the text is refused. Every frame format is read too and held to
// the model of that format: a frame is refused exactly when it has a flaw, and a well-formed
// one's bytes are the model's and give its count, last byte and LRC. The input is also a log, cut
// into lines by the tool's line splitter in chunks of sizes the input chooses: the lines are those
// of a plain split at LF, CR LF and CR, and each gets the verdict the same text gets alone. The
// command-line tool's check of spaced text and of packed pairs gives the same answers with every
// vector unit the processor has, and so does its check of packed and Modbus ASCII logs a run of
// lines at a time. The log's report, pushed into the line checker in those chunks, is the report
// of the log pushed whole, for each format and with and without JSON. Any difference aborts.
#include "engine/Frame.h"
#include "engine/Lines.h"
#include "engine/Lrc.h"
#include "engine/PackedLines.h"
#include "engine/PairCheck.h"
#include "model/FrameModel.h"
#include "model/LrcModel.h"
#include "report/LineChecker.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

void Expect(const TLrcResult& actual, const TLrcResult& expected, const char* form)
{
    const bool same =
        actual.Valid == expected.Valid &&
        (!expected.Valid || (actual.ByteCount == expected.ByteCount && actual.Lrc == expected.Lrc));
    if (same)
        return;
    std::fprintf(stderr,
                 "%s: engine says valid=%d bytes=%d lrc=%d, model valid=%d bytes=%d lrc=%d\n", form,
                 actual.Valid, actual.ByteCount, actual.Lrc, expected.Valid, expected.ByteCount,
                 expected.Lrc);
    std::abort();
}

constexpr std::array<TFrameFormat, 5> Formats{TFrameFormat::Spaced, TFrameFormat::Packed,
                                              TFrameFormat::ModbusAscii, TFrameFormat::CArray,
                                              TFrameFormat::Colon};

bool SameVerdict(const TFrame& a, const TFrame& b)
{
    if (a.Flaw.has_value() != b.Flaw.has_value())
        return false;
    if (a.Flaw)
        return a.Flaw->Kind == b.Flaw->Kind && a.Flaw->Byte == b.Flaw->Byte;
    return a.Result.ByteCount == b.Result.ByteCount && a.Result.Lrc == b.Result.Lrc &&
           a.LastByte == b.LastByte;
}

// A format's reader against the model of the format: the same verdict, and for a well-formed
// frame the same bytes, which give the count, LRC and last byte the reader gives.
void CheckFrame(TFrameReader& reader, std::string_view text, TFrameFormat format)
{
    std::vector<std::uint8_t> bytes;
    const TFrame frame = reader.Read(text, format, &bytes);
    if (frame.Flaw.has_value() == frame.Result.Valid)
        Fail("a frame is refused without a flaw, or has a flaw and is accepted");
    const auto modelled = ModelFrameBytes(text, format);
    if (modelled.has_value() != frame.Result.Valid)
        Fail("a reader and the model of its format disagree on whether a frame is well-formed");
    if (frame.Flaw) {
        if (frame.Flaw->Byte > text.size())
            Fail("a flaw beyond the end of the text");
        if (!bytes.empty())
            Fail("a refused frame handed bytes on");
        return;
    }
    if (bytes != *modelled)
        Fail("a reader hands on other bytes than the model of its format reads");
    unsigned sum = 0;
    for (const std::uint8_t byte : bytes)
        sum += byte;
    if (bytes.size() != static_cast<std::size_t>(frame.Result.ByteCount) ||
        (sum + static_cast<unsigned>(frame.Result.Lrc)) % 256 != 0 ||
        bytes.back() != frame.LastByte)
        Fail("a well-formed frame's bytes do not give its count, LRC and last byte");
}

// The lines of a text cut at LF, CR LF and CR, the line ends left out; a last line without
// its line end counts when it is not empty.
std::vector<std::string> PlainLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            line += text[i];
            continue;
        }
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        lines.push_back(line);
        line.clear();
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// What a checker said, in order, standard error's lines marked.
class TTranscript : public TReportSink
{
public:
    void Error(std::string_view line) override
    {
        Said += Text();
        Text().clear();
        Said.append("E: ").append(line);
    }
    std::string Said;
};

// The report of a log pushed in chunks of `chunk` bytes.
std::string CheckedInChunks(std::string_view log, const TReportOptions& options, std::size_t chunk)
{
    TTranscript said;
    TLineChecker checker(options, said);
    for (std::size_t at = 0; at < log.size(); at += chunk)
        checker.Push(log.substr(at, chunk));
    checker.End();
    return said.Said + said.Text();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TLrcResult verdict = CalculateLrcUtf8(bytes);
    Expect(verdict, ModelLrcUtf8(bytes), "UTF-8");
    if (DiagnoseSpaced(bytes).has_value() == verdict.Valid)
        Fail("diagnosis disagrees with the verdict");
    // The tool's check, with every unit the processor has, against PCRE2 and the model; packed
    // pairs checked by every unit alike.
    const TPairCheck packed = CheckPacked(bytes, TPairCheckUnit::Scalar);
    for (const auto unit : {TPairCheckUnit::Scalar, TPairCheckUnit::Sse2, TPairCheckUnit::Avx2}) {
        if (!HasPairCheckUnit(unit))
            continue;
        const TPairCheck check = CheckSpaced(bytes, unit);
        Expect(check.Result, verdict, "the spaced check");
        if (!check.Result.Valid) {
            const auto resumed = DiagnoseSpaced(bytes, check.Clean), whole = DiagnoseSpaced(bytes);
            if (!resumed || !whole || resumed->Kind != whole->Kind || resumed->Byte != whole->Byte)
                Fail("the diagnosis from where the check stopped finds another flaw");
        }
        const TPairCheck other = CheckPacked(bytes, unit);
        Expect(other.Result, packed.Result, "the packed check");
        if (other.Result.Valid ? other.LastByte != packed.LastByte : other.Clean > packed.Clean)
            Fail("the packed check's units disagree on the last byte or on what is clean");
    }

    TFrameReader reader;
    for (const TFrameFormat format : Formats)
        CheckFrame(reader, bytes, format);

    // The log, in chunks of 1 to 16 bytes as the first byte chooses, so that a CR and its LF
    // fall into different chunks as often as not.
    const std::size_t chunk = size == 0 ? 1 : 1 + data[0] % 16;
    std::vector<std::string> split;
    TLineSplitter splitter;
    const auto onLine = [&](std::string_view line) { split.emplace_back(line); };
    for (std::size_t at = 0; at < size; at += chunk)
        splitter.Feed(bytes.substr(at, chunk), onLine);
    splitter.Finish(onLine);
    const std::vector<std::string> plain = PlainLines(bytes);
    if (split != plain)
        Fail("the line splitter's lines differ from a plain split");
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const TFrameFormat format = Formats[i % Formats.size()];
        if (!SameVerdict(reader.Read(split[i], format), reader.Read(plain[i], format)))
            Fail("a line's verdict in the log differs from its verdict alone");
    }

    // The log again with its whole lines handed on a run at a time, as the tool reads packed and
    // Modbus ASCII logs, in chunks of 1 to 256 bytes as the second byte chooses: the same lines,
    // and every unit's check of a run gives each line the reader's verdict, count and sum.
    const std::size_t runChunk = size < 2 ? 1 : 1 + data[1];
    for (const bool colon : {false, true}) {
        const TFrameFormat format = colon ? TFrameFormat::ModbusAscii : TFrameFormat::Packed;
        std::vector<std::string> lines;
        TLineSplitter runSplitter;
        const auto onOneLine = [&](std::string_view line) { lines.emplace_back(line); };
        const auto onRun = [&](std::string_view run) {
            const std::size_t first = lines.size();
            for (const auto unit :
                 {TPairCheckUnit::Scalar, TPairCheckUnit::Sse2, TPairCheckUnit::Avx2}) {
                if (!HasPairCheckUnit(unit))
                    continue;
                TPackedLines packedLines(colon, unit);
                const std::vector<TLineCheck>& checks = packedLines.Check(run);
                if (unit == TPairCheckUnit::Scalar)
                    for (const TLineCheck& check : checks)
                        lines.emplace_back(run.substr(check.Begin, check.End - check.Begin));
                if (checks.size() != lines.size() - first)
                    Fail("the vector units cut a run into another number of lines");
                for (std::size_t k = 0; k < checks.size(); ++k) {
                    const TLineCheck& check = checks[k];
                    const TFrame frame = reader.Read(lines[first + k], format);
                    if (run.substr(check.Begin, check.End - check.Begin) != lines[first + k] ||
                        check.WellFormed != frame.Result.Valid ||
                        (check.WellFormed &&
                         (static_cast<int>(check.ByteCount) != frame.Result.ByteCount ||
                          (check.Sum + frame.Result.Lrc) % 256 != 0)))
                        Fail("a run's line is checked otherwise than the reader reads it alone");
                }
            }
        };
        for (std::size_t at = 0; at < size; at += runChunk)
            runSplitter.Feed(bytes.substr(at, runChunk), onOneLine, onRun);
        runSplitter.Finish(onOneLine);
        if (lines != plain)
            Fail("the lines handed on in runs differ from a plain split");
    }

    // The pushed checker: cut anywhere, the same report as the whole log.
    for (std::size_t i = 0; i < Formats.size(); ++i) {
        TReportOptions options;
        options.format = Formats[i];
        options.check = i % 2 == 0;
        options.json = size > 2 && (data[2] & 1) != 0;
        options.append = !options.json && !options.check && i == 1;
        if (CheckedInChunks(bytes, options, chunk) != CheckedInChunks(bytes, options, size + 1) ||
            CheckedInChunks(bytes, options, runChunk) != CheckedInChunks(bytes, options, size + 1))
            Fail("a log pushed in pieces is reported otherwise than the log whole");
    }

    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, size / 2 * 2);
    Expect(CalculateLrc(text), ModelLrc(text), "UTF-16");
    return 0;
}
