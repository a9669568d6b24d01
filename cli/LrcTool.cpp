#include "cli/LrcTool.h"

#include "cli/Options.h"
#include "cli/Platform.h"
#include "cli/SerialPort.h"
#include "product/Product.h"
#include "report/FrameReport.h"
#include "report/LineChecker.h"
#include "report/Timestamp.h"

#include <cstdio>
#include <exception>
#include <string_view>

namespace {

void Write(std::FILE* stream, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

int Report(const TOptions& options, std::string_view text, std::FILE* out, std::FILE* err)
{
    const TFrameAnswer answer = AnswerFrame(
        options, text, options.text && IsExistingFile(*options.text) ? *options.text : "");
    Write(out, answer.Out);
    Write(err, answer.Err);
    return answer.Status;
}

// A log's report on the tool's streams. Standard output goes in big pieces where the log is a
// file, whose result lines are short and many; a live log's lines go out as each piece of input
// is answered (Flush). Whatever goes to standard error first sends what is gathered, so that a
// terminal shows both in their order.
class TStreamSink : public TReportSink
{
public:
    TStreamSink(std::FILE* out, std::FILE* err) : m_out(out), m_err(err) { Text().reserve(Piece); }
    ~TStreamSink() override { Send(); }
    TStreamSink(const TStreamSink&) = delete;
    TStreamSink& operator=(const TStreamSink&) = delete;

    void Added() override
    {
        if (Text().size() >= Piece)
            Send();
    }
    void Error(std::string_view line) override
    {
        Send();
        Write(m_err, line);
    }
    // Everything so far, out now: a live log's reader waits for it.
    void Flush()
    {
        Send();
        std::fflush(m_out);
        std::fflush(m_err);
    }

private:
    void Send()
    {
        Write(m_out, Text());
        Text().clear();
    }

    static constexpr std::size_t Piece = 1 << 16;
    std::FILE* m_out;
    std::FILE* m_err;
};

// The time a piece of a live log arrived, where its reports carry one.
std::string ArrivalTime(const TOptions& options)
{
    return options.timestamps ? LocalTimestampNow() : std::string();
}

// A frame per line: one result line each on standard output, the tally on standard error; or
// with --append the frames built on standard output and the malformed lines on standard error.
int ReportLines(const TOptions& options, std::FILE* in, std::FILE* out, std::FILE* err)
{
    TStreamSink sink(out, err);
    TLineChecker checker(options, sink);
    if (options.text) {
        checker.Push(*options.text, ArrivalTime(options));
        checker.End(ArrivalTime(options));
        return checker.Status();
    }
    std::vector<char> chunk(LinesReadPiece);
    if (IsRegularInput(in)) {
        while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), in))
            checker.Push(std::string_view(chunk.data(), got), ArrivalTime(options));
        if (std::ferror(in)) {
            sink.Error("sumvane-lrc: cannot read standard input\n");
            return ExitUsage;
        }
        checker.End(ArrivalTime(options));
        return checker.Status();
    }
    // A pipe, a FIFO or a terminal: each line is answered as soon as its line end has arrived.
    const TInterruptWatch interrupt;
    for (;;) {
        std::size_t got = 0;
        std::string reason;
        const TReadEnd end = ReadArrived(in, chunk.data(), chunk.size(), got, interrupt, reason);
        if (end == TReadEnd::Received) {
            checker.Push(std::string_view(chunk.data(), got), ArrivalTime(options));
            sink.Flush();
            continue;
        }
        if (end == TReadEnd::Failed) {
            sink.Error("sumvane-lrc: cannot read standard input\n");
            return ExitUsage;
        }
        break; // the input ended, or Ctrl+C: the last line and the tally
    }
    checker.End(ArrivalTime(options));
    return checker.Status();
}

// A serial port's frames as they arrive, until Ctrl+C or SIGTERM (the tally's status) or until
// the port goes away (the tally, and exit 2).
int ReportPort(const TOptions& options, std::FILE* out, std::FILE* err)
{
    std::string reason;
    const TInterruptWatch interrupt;
    const std::unique_ptr<TSerialPort> port =
        TSerialPort::Open(*options.port, options.LineSettings(), reason);
    if (!port) {
        Write(err, "sumvane-lrc: cannot open " + *options.port + ": " + reason + "\n");
        return ExitUsage;
    }
    TStreamSink sink(out, err);
    TLineChecker checker(options, sink, LiveLineLimit, true);
    for (;;) {
        const TReadEnd end =
            port->Read([&](std::string_view bytes) { checker.Push(bytes, ArrivalTime(options)); },
                       [&](TPortFault fault) { checker.Fault(fault, ArrivalTime(options)); },
                       interrupt, reason);
        sink.Flush();
        if (end == TReadEnd::Received)
            continue;
        if (end == TReadEnd::Failed) {
            sink.Error("sumvane-lrc: " + *options.port + ": the port went away (" + reason + ")\n");
            checker.End(ArrivalTime(options));
            sink.Flush();
            return ExitUsage;
        }
        break;
    }
    checker.End(ArrivalTime(options));
    return checker.Status();
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

} // namespace

int RunLrcTool(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* err)
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
        if (options.port) {
            status = ReportPort(options, out, err);
        } else if (options.lines) {
            status = ReportLines(options, in, out, err);
        } else {
            TInputBytes read;
            if (!options.text && !read.ReadAll(in)) {
                Write(err, "sumvane-lrc: cannot read standard input\n");
                return ExitUsage;
            }
            const std::string_view text =
                options.text ? std::string_view(*options.text) : read.View();
            status = Report(options, text, out, err);
        }
    } catch (const std::exception& failure) {
        Write(err, std::string("sumvane-lrc: ") + failure.what() + "\n");
        return ExitUsage;
    }
    return status == ExitUsage ? status : FinishOutput(out, err, status);
}
