#pragma once

#include "engine/Frame.h"
#include "engine/Lines.h"
#include "engine/PackedLines.h"
#include "report/Messages.h"
#include "report/ReportOptions.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where a log's report goes, in its order: the report lines gather in Text(), each ended by a
// line feed (one JSON object a line with json); what belongs on standard error (the tally, and
// with append the malformed lines) goes through Error, after everything gathered before it.
class TReportSink
{
public:
    virtual ~TReportSink() = default;

    // The report lines not yet taken; the sink may take them at any call.
    std::string& Text() { return m_text; }
    // Lines have been added to Text().
    virtual void Added() {}
    // A line for standard error, ended by its line feed.
    virtual void Error(std::string_view line) = 0;

private:
    std::string m_text;
};

// The longest line a checker of a live line keeps: a longer one is reported malformed as soon
// as it is this long, and its rest is dropped, so that a line that never ends takes no more.
inline constexpr std::size_t LiveLineLimit = std::size_t{1} << 16;

// A log's frames checked one a line, exactly as sumvane-lrc --lines reports them, with bytes
// pushed in pieces of any size as they arrive: each line's report reaches the sink as soon as
// its line end has been pushed, and End gives the last line and the tally.
class TLineChecker
{
public:
    // `lineLimit` 0 keeps lines of any length (a file's); `port`: the log comes from a serial
    // port, so the tally counts port errors.
    TLineChecker(const TReportOptions& options, TReportSink& sink, std::size_t lineLimit = 0,
                 bool port = false);

    // The next bytes of the log; `time`, with timestamps, is when they arrived.
    void Push(std::string_view bytes, std::string_view time = {});
    // A port error at this point of the log: the line it falls in is reported as a port error
    // when it ends, or, between lines, the error is reported at once.
    void Fault(TPortFault fault, std::string_view time = {});
    // The log has ended: its last line, when no line end closed it, then the tally.
    void End(std::string_view time = {});

    const TTally& Tally() const { return m_tally; }
    // ExitOk when every frame was good, else ExitMalformed.
    int Status() const { return m_tally.Good == m_tally.Frames ? ExitOk : ExitMalformed; }

private:
    void OnLine(std::string_view line);
    void OnRun(std::string_view run);
    void OnFrame(std::string_view line, const TFrame& frame);
    void OnPortError(TPortFault fault, std::size_t column);
    void OnOverlong();
    // A report line begun: its time and number.
    void Begin(std::string& text) const;
    // A line's report in `words`: on standard output, or with append on standard error.
    void Say(std::string_view words);

    TReportOptions m_options;
    TReportSink& m_sink;
    std::size_t m_lineLimit;
    bool m_port;
    TFrameFormat m_format;
    TField m_field;
    bool m_byRuns;
    TFrameReader m_reader;
    TPackedLines m_packedLines;
    TLineSplitter m_splitter;
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_number = 0;
    TTally m_tally;
    std::string m_time;
    // A port error in the line being received, and the column it fell at.
    std::optional<std::pair<TPortFault, std::size_t>> m_lineFault;
    bool m_ended = false;
};
