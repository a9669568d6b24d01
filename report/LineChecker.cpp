#include "report/LineChecker.h"

#include "report/Json.h"
#include "report/Outcome.h"

#include <charconv>
#include <iterator>

namespace {

void AppendNumber(std::string& text, std::size_t number)
{
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), number).ptr;
    text.append(digits, end);
}

} // namespace

TLineChecker::TLineChecker(const TReportOptions& options, TReportSink& sink, std::size_t lineLimit,
                           bool port)
    : m_options(options), m_sink(sink), m_lineLimit(lineLimit), m_port(port),
      m_format(options.Format()), m_field(options.field.value_or(TField::Hex)),
      // A log of packed or Modbus ASCII frames is checked a run of lines at a time where only
      // the verdict and the LRC are asked for. A line the run's check does not pass as a good
      // frame is read again on its own, for its flaw or the byte it should end with.
      m_byRuns((m_format == TFrameFormat::Packed || m_format == TFrameFormat::ModbusAscii) &&
               !options.append && !options.json),
      m_packedLines(m_format == TFrameFormat::ModbusAscii)
{
}

void TLineChecker::Begin(std::string& text) const
{
    if (!m_time.empty())
        text.append(m_time).append(" ");
    AppendNumber(text, m_number);
    text += ": ";
}

void TLineChecker::OnFrame(std::string_view line, const TFrame& frame)
{
    ++m_tally.Frames;
    const TOutcome outcome = OutcomeOf(m_options, frame);
    ++(outcome == TOutcome::Good       ? m_tally.Good
       : outcome == TOutcome::WrongLrc ? m_tally.WrongLrc
                                       : m_tally.Malformed);
    if (m_options.status || (m_options.quiet && outcome == TOutcome::Good))
        return;
    std::vector<TOtherCheck> matches;
    if (outcome == TOutcome::WrongLrc) {
        m_bytes.clear();
        m_reader.Read(line, m_format, &m_bytes);
        matches = OtherChecksOf(line, m_format, m_bytes);
    }
    std::string& result = m_sink.Text();
    if (m_options.json) {
        result += JsonFrame(m_options, line, frame, m_bytes, m_number, {}, matches, m_time);
        m_sink.Added();
        return;
    }
    if (m_options.append && outcome == TOutcome::Good) {
        result += AppendedFrame(line, m_format, m_bytes, frame.Result.Lrc);
        m_sink.Added();
        return;
    }
    if (m_options.append) { // standard output carries nothing but frames ready to send
        std::string report = "sumvane-lrc: line ";
        AppendNumber(report, m_number);
        report += ": malformed at " + PlaceText(PlaceOf(line, *frame.Flaw), *frame.Flaw, true) +
                  ": " + FlawText(*frame.Flaw, m_format) + "\n";
        m_sink.Error(report);
        return;
    }
    Begin(result);
    if (frame.Flaw)
        result += "malformed at " + PlaceText(PlaceOf(line, *frame.Flaw), *frame.Flaw, true) +
                  ": " + FlawText(*frame.Flaw, m_format);
    else if (outcome == TOutcome::WrongLrc)
        result +=
            "LRC mismatch: " + Mismatch(frame, "should") + OtherChecksText(matches, frame.LastByte);
    else if (m_options.check)
        result += "ok";
    else
        result += FieldText(frame.Result, m_field);
    result += '\n';
    m_sink.Added();
}

void TLineChecker::OnLine(std::string_view line)
{
    ++m_number;
    if (m_lineFault) {
        const auto [fault, column] = *m_lineFault;
        m_lineFault.reset();
        OnPortError(fault, column);
        return;
    }
    if (line.empty())
        return;
    if (m_lineLimit && line.size() > m_lineLimit) {
        OnOverlong();
        return;
    }
    OnFrame(line, ReadFrame(m_reader, line, m_format, m_options.append, &m_bytes));
}

void TLineChecker::OnRun(std::string_view run)
{
    const std::vector<TLineCheck>& lines = m_packedLines.Check(run);
    const std::size_t first = m_number;
    const bool goodUnreported = m_options.status || m_options.quiet;
    std::size_t counted = 0; // good frames with nothing to report, the common quiet line
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const TLineCheck& line = lines[k];
        const bool good = line.WellFormed && (!m_options.check || line.Sum == 0);
        if (good && goodUnreported) {
            ++counted;
            continue;
        }
        const std::string_view text(run.data() + line.Begin, line.End - line.Begin);
        if (!good) {
            m_number = first + k; // OnLine numbers the line itself
            OnLine(text);
            continue;
        }
        m_number = first + k + 1;
        TFrame frame;
        frame.Result = {true, static_cast<std::int32_t>(line.ByteCount), LrcOfSum(line.Sum)};
        OnFrame(text, frame);
    }
    m_number = first + lines.size();
    m_tally.Frames += counted;
    m_tally.Good += counted;
}

void TLineChecker::Say(std::string_view words)
{
    std::string report;
    if (m_options.append) { // standard output carries nothing but frames ready to send
        report = "sumvane-lrc: line ";
        AppendNumber(report, m_number);
        report += ": ";
    } else {
        Begin(report);
    }
    report.append(words).append("\n");
    if (m_options.append) {
        m_sink.Error(report);
    } else {
        m_sink.Text() += report;
        m_sink.Added();
    }
}

void TLineChecker::OnPortError(TPortFault fault, std::size_t column)
{
    ++m_tally.Frames;
    ++m_tally.PortErrors;
    if (m_options.status)
        return;
    if (m_options.json) {
        m_sink.Text() += JsonPortError(m_number, fault, column, m_time);
        m_sink.Added();
        return;
    }
    std::string words = "port error";
    if (column > 1) {
        words += " at column ";
        AppendNumber(words, column);
    }
    Say(words.append(": ").append(PortFaultText(fault)));
}

void TLineChecker::OnOverlong()
{
    ++m_tally.Frames;
    ++m_tally.Malformed;
    if (m_options.status)
        return;
    if (m_options.json) {
        m_sink.Text() += JsonOverlong(m_number, m_lineLimit, m_time);
        m_sink.Added();
        return;
    }
    std::string words = "malformed at column ";
    AppendNumber(words, m_lineLimit + 1);
    Say(words + ": " + OverlongText(m_lineLimit));
}

void TLineChecker::Push(std::string_view bytes, std::string_view time)
{
    m_time = m_options.timestamps ? time : std::string_view();
    const auto onLine = [this](std::string_view line) { OnLine(line); };
    if (m_byRuns)
        m_splitter.Feed(bytes, onLine, [this](std::string_view run) { OnRun(run); });
    else
        m_splitter.Feed(bytes, onLine);
    if (m_lineLimit && m_splitter.Held() > m_lineLimit) {
        ++m_number;
        m_lineFault.reset(); // the line is reported as too long; its port error goes with it
        OnOverlong();
        m_splitter.Skip();
    }
}

void TLineChecker::Fault(TPortFault fault, std::string_view time)
{
    m_time = m_options.timestamps ? time : std::string_view();
    if (m_splitter.Held() == 0) {
        ++m_number;
        OnPortError(fault, 1);
    } else if (!m_lineFault) {
        m_lineFault.emplace(fault, m_splitter.Held() + 1);
    }
}

void TLineChecker::End(std::string_view time)
{
    if (m_ended)
        return;
    m_ended = true;
    m_time = m_options.timestamps ? time : std::string_view();
    m_splitter.Finish([this](std::string_view line) { OnLine(line); });
    if (m_options.status)
        return;
    if (m_options.json)
        m_sink.Text() += JsonSummary(m_tally, m_port);
    else
        m_sink.Error("sumvane-lrc: " + TallyText(m_tally, m_options.check, m_port) + "\n");
    m_sink.Added();
}
