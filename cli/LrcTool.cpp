#include "cli/LrcTool.h"

#include "cli/Json.h"
#include "cli/Messages.h"
#include "cli/Options.h"
#include "cli/Platform.h"
#include "engine/Frame.h"
#include "engine/Lines.h"
#include "engine/PackedLines.h"
#include "product/Product.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <iterator>
#include <string_view>

namespace {

// What the tool reads in place of TEXT: standard input as a stream, or bytes already in memory.
struct TInput
{
    std::FILE* stream = nullptr; // none: `bytes`
    std::string_view bytes;
};

void Write(std::FILE* stream, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

// Reads a frame as the options ask. A Modbus ASCII frame to be built is given without its colon
// and LRC, so its data reads as packed pairs; a frame to be built hands its bytes to `bytes`.
TFrame ReadFrame(TFrameReader& reader, std::string_view text, TFrameFormat format, bool append,
                 std::vector<std::uint8_t>* bytes = nullptr)
{
    if (append && format == TFrameFormat::ModbusAscii)
        format = TFrameFormat::Packed;
    if (bytes)
        bytes->clear();
    return reader.Read(text, format, append ? bytes : nullptr);
}

enum class TOutcome
{
    Good,
    WrongLrc,
    Malformed
};

TOutcome OutcomeOf(const TOptions& options, const TFrame& frame)
{
    if (frame.Flaw)
        return TOutcome::Malformed;
    return options.check && frame.Result.Lrc != 0 ? TOutcome::WrongLrc : TOutcome::Good;
}

std::string Mismatch(const TFrame& frame, std::string_view should)
{
    return "ends with " + HexOf(frame.LastByte) + ", " + std::string(should) + " end with " +
           HexOf(ExpectedLastByte(frame));
}

int Report(const TOptions& options, std::string_view text, std::FILE* out, std::FILE* err)
{
    const TFrameFormat format = options.Format();
    TFrameReader reader;
    std::vector<std::uint8_t> bytes;
    const TFrame frame = ReadFrame(reader, text, format, options.append, &bytes);
    const TOutcome outcome = OutcomeOf(options, frame);
    const int status = outcome == TOutcome::Good ? ExitOk : ExitMalformed;
    if (options.status)
        return status;

    // Frames copied from a serial monitor or from code often come in another format.
    std::vector<std::string_view> wellFormedAs;
    if (frame.Flaw && !options.format) {
        for (const auto& [name, other] : FormatNames) {
            if (other != format && !ReadFrame(reader, text, other, options.append).Flaw)
                wellFormedAs.push_back(name);
        }
    }
    if (options.json) {
        Write(out, JsonFrame(options, text, frame, bytes, std::nullopt, wellFormedAs));
        return status;
    }
    if (frame.Flaw) {
        Write(err, "sumvane-lrc: " + std::string(MalformedWords) + " at " +
                       PlaceText(PlaceOf(text, *frame.Flaw), *frame.Flaw, false) + ": " +
                       FlawText(*frame.Flaw, format) + " (" +
                       std::string(ExpectedText(format, options.append)) + ")\n");
        for (const std::string_view name : wellFormedAs)
            Write(err,
                  "sumvane-lrc: hint: it is well-formed as --format " + std::string(name) + "\n");
        if (options.text && IsExistingFile(*options.text))
            Write(err, "sumvane-lrc: hint: '" + *options.text + "' is a file; to check what it " +
                           "holds, give it on standard input: sumvane-lrc < " + *options.text +
                           "\n");
    } else if (options.append) {
        Write(out, AppendedFrame(text, format, bytes, frame.Result.Lrc));
    } else if (outcome == TOutcome::WrongLrc) {
        Write(err, "sumvane-lrc: LRC mismatch: the frame " + Mismatch(frame, "it should") + "\n");
    } else if (options.check) {
        Write(out, "check: ok\n");
    } else {
        Write(out, FieldText(frame.Result, options.field.value_or(TField::All)) + "\n");
    }
    return status;
}

// Standard output in big pieces: a log's result lines are short and many. Whatever goes to
// standard error first sends what is gathered, so that a terminal shows both in their order.
class TGathered
{
public:
    TGathered(std::FILE* out, std::FILE* err) : m_out(out), m_err(err) { m_text.reserve(Piece); }
    ~TGathered() { Send(); }
    TGathered(const TGathered&) = delete;
    TGathered& operator=(const TGathered&) = delete;

    std::string& Text() { return m_text; }
    // A line has been added.
    void Added()
    {
        if (m_text.size() >= Piece)
            Send();
    }
    void Send()
    {
        Write(m_out, m_text);
        m_text.clear();
    }
    void Error(std::string_view text)
    {
        Send();
        Write(m_err, text);
    }

private:
    static constexpr std::size_t Piece = 1 << 16;
    std::FILE* m_out;
    std::FILE* m_err;
    std::string m_text;
};

void AppendNumber(std::string& text, std::size_t number)
{
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), number).ptr;
    text.append(digits, end);
}

// A frame per line: one result line each on standard output, the tally on standard error; or
// with --append the frames built on standard output and the malformed lines on standard error.
int ReportLines(const TOptions& options, const TInput& in, std::FILE* out, std::FILE* err)
{
    const TFrameFormat format = options.Format();
    const TField field = options.field.value_or(TField::Hex);
    TFrameReader reader;
    std::vector<std::uint8_t> bytes;
    std::size_t number = 0;
    TTally tally;
    TGathered gathered(out, err);
    std::string& result = gathered.Text();
    // The rest of a line's report, once its frame is read.
    const auto onFrame = [&](std::string_view line, const TFrame& frame) {
        ++tally.Frames;
        const TOutcome outcome = OutcomeOf(options, frame);
        ++(outcome == TOutcome::Good       ? tally.Good
           : outcome == TOutcome::WrongLrc ? tally.WrongLrc
                                           : tally.Malformed);
        if (options.status || (options.quiet && outcome == TOutcome::Good))
            return;
        if (options.json) {
            result += JsonFrame(options, line, frame, bytes, number, {});
            gathered.Added();
            return;
        }
        if (options.append && outcome == TOutcome::Good) {
            result += AppendedFrame(line, format, bytes, frame.Result.Lrc);
            gathered.Added();
            return;
        }
        if (options.append) { // standard output carries nothing but frames ready to send
            std::string report = "sumvane-lrc: line ";
            AppendNumber(report, number);
            report += ": malformed at " + PlaceText(PlaceOf(line, *frame.Flaw), *frame.Flaw, true) +
                      ": " + FlawText(*frame.Flaw, format) + "\n";
            gathered.Error(report);
            return;
        }
        AppendNumber(result, number);
        result += ": ";
        if (frame.Flaw)
            result += "malformed at " + PlaceText(PlaceOf(line, *frame.Flaw), *frame.Flaw, true) +
                      ": " + FlawText(*frame.Flaw, format);
        else if (outcome == TOutcome::WrongLrc)
            result += "LRC mismatch: " + Mismatch(frame, "should");
        else if (options.check)
            result += "ok";
        else
            result += FieldText(frame.Result, field);
        result += '\n';
        gathered.Added();
    };
    const auto onLine = [&](std::string_view line) {
        ++number;
        if (!line.empty())
            onFrame(line, ReadFrame(reader, line, format, options.append, &bytes));
    };
    // A log of packed or Modbus ASCII frames is checked a run of lines at a time where only the
    // verdict and the LRC are asked for. A line the run's check does not pass as a good frame is
    // read again on its own, for its flaw or the byte it should end with.
    const bool byRuns = (format == TFrameFormat::Packed || format == TFrameFormat::ModbusAscii) &&
                        !options.append && !options.json;
    TPackedLines packedLines(format == TFrameFormat::ModbusAscii);
    const bool goodUnreported = options.status || options.quiet, check = options.check;
    const auto onRun = [&](std::string_view run) {
        const std::vector<TLineCheck>& lines = packedLines.Check(run);
        const std::size_t first = number;
        std::size_t counted = 0; // good frames with nothing to report, the common quiet line
        for (std::size_t k = 0; k < lines.size(); ++k) {
            const TLineCheck& line = lines[k];
            const bool good = line.WellFormed && (!check || line.Sum == 0);
            if (good && goodUnreported) {
                ++counted;
                continue;
            }
            const std::string_view text(run.data() + line.Begin, line.End - line.Begin);
            if (!good) {
                number = first + k; // onLine numbers the line itself
                onLine(text);
                continue;
            }
            number = first + k + 1;
            TFrame frame;
            frame.Result = {true, static_cast<std::int32_t>(line.ByteCount),
                            (256 - line.Sum) % 256};
            onFrame(text, frame);
        }
        number = first + lines.size();
        tally.Frames += counted;
        tally.Good += counted;
    };
    TLineSplitter splitter;
    const auto feed = [&](std::string_view chunk) {
        if (byRuns)
            splitter.Feed(chunk, onLine, onRun);
        else
            splitter.Feed(chunk, onLine);
    };

    if (options.text || !in.stream) {
        feed(options.text ? std::string_view(*options.text) : in.bytes);
    } else {
        std::vector<char> chunk(LinesReadPiece);
        while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), in.stream))
            feed(std::string_view(chunk.data(), got));
        if (std::ferror(in.stream)) {
            gathered.Error("sumvane-lrc: cannot read standard input\n");
            return ExitUsage;
        }
    }
    splitter.Finish(onLine);

    if (options.json && !options.status)
        result += JsonSummary(tally);
    else if (!options.status)
        gathered.Error("sumvane-lrc: " + TallyText(tally, options.check) + "\n");
    return tally.Good == tally.Frames ? ExitOk : ExitMalformed;
}

// A result that never reached its reader must not look like success.
int FinishOutput(std::FILE* out, std::FILE* err, int status)
{
    if (std::fflush(out) != 0 || std::ferror(out)) {
        Write(err, "sumvane-lrc: cannot write the result\n");
        return ExitUsage;
    }
    return status;
}

int Run(const std::vector<std::string>& args, const TInput& in, std::FILE* out, std::FILE* err)
{
    TOptions options;
    if (const auto problem = ParseArguments(args, options)) {
        Write(err,
              "sumvane-lrc: " + *problem + "\nTry 'sumvane-lrc --help' for more information.\n");
        return ExitUsage;
    }
    if (options.help) {
        Write(out, Usage);
        return std::fflush(out) == 0 ? ExitOk : ExitUsage;
    }
    if (options.version) {
        Write(out, std::string("sumvane-lrc ") + VersionText + "\n");
        return std::fflush(out) == 0 ? ExitOk : ExitUsage;
    }

    int status = ExitOk;
    try {
        if (options.lines) {
            status = ReportLines(options, in, out, err);
        } else {
            TInputBytes read;
            if (!options.text && in.stream && !read.ReadAll(in.stream)) {
                Write(err, "sumvane-lrc: cannot read standard input\n");
                return ExitUsage;
            }
            const std::string_view text = options.text ? std::string_view(*options.text)
                                          : in.stream  ? read.View()
                                                       : in.bytes;
            status = Report(options, text, out, err);
        }
    } catch (const std::exception& failure) {
        Write(err, std::string("sumvane-lrc: ") + failure.what() + "\n");
        return ExitUsage;
    }
    return status == ExitUsage ? status : FinishOutput(out, err, status);
}

} // namespace

int RunLrcTool(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* err)
{
    return Run(args, {.stream = in, .bytes = {}}, out, err);
}

int RunLrcToolOnInput(const std::vector<std::string>& args, std::string_view input, std::FILE* out,
                      std::FILE* err)
{
    return Run(args, {.bytes = input}, out, err);
}
