// The reports every front end shares: a log checked as its bytes arrive, cut anywhere, with the
// port's errors among them, and the times its lines carry.
#include "report/LineChecker.h"
#include "report/Timestamp.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <variant>
#include <vector>

namespace {

// What a checker said, in its order: report lines as they are, standard error's lines after
// "E: ".
class TTranscript : public TReportSink
{
public:
    void Error(std::string_view line) override
    {
        Take();
        m_said.append("E: ").append(line);
    }
    const std::string& Said()
    {
        Take();
        return m_said;
    }

private:
    void Take()
    {
        m_said += Text();
        Text().clear();
    }
    std::string m_said;
};

std::string Repeated(const std::string& text, std::size_t times)
{
    std::string all;
    for (std::size_t i = 0; i < times; ++i)
        all += text;
    return all;
}

TReportOptions Options(TFrameFormat format, bool check, bool json = false, bool append = false,
                       bool quiet = false)
{
    TReportOptions options;
    options.format = format;
    options.check = check;
    options.json = json;
    options.append = append;
    options.quiet = quiet;
    return options;
}

std::string Checked(const TReportOptions& options, const std::vector<std::string_view>& pieces)
{
    TTranscript said;
    TLineChecker checker(options, said);
    for (const std::string_view piece : pieces)
        checker.Push(piece);
    checker.End();
    return said.Said();
}

struct TLogCase
{
    const char* name;
    TReportOptions options;
    std::string log;
};

void PrintTo(const TLogCase& row, std::ostream* os)
{
    *os << row.name;
}

class PushedChecker : public testing::TestWithParam<TLogCase>
{
};

// A log in pieces of any size says, line for line, what the log said whole: cuts inside a CR
// LF, inside a UTF-8 character, inside a run of whole lines and across a line longer than a run.
TEST_P(PushedChecker, AnswersALogCutAnywhereAsTheWholeLog)
{
    const TLogCase& row = GetParam();
    const std::string whole = Checked(row.options, {row.log});
    ASSERT_NE(whole, "");
    const std::string_view log = row.log;
    // Every cut into two pieces, and a byte at a time, where the log is short enough.
    if (log.size() <= 400) {
        for (std::size_t cut = 0; cut <= log.size(); ++cut)
            ASSERT_EQ(Checked(row.options, {log.substr(0, cut), log.substr(cut)}), whole)
                << "cut at " << cut;
        std::vector<std::string_view> bytes;
        for (std::size_t i = 0; i < log.size(); ++i)
            bytes.push_back(log.substr(i, 1));
        ASSERT_EQ(Checked(row.options, bytes), whole) << "a byte at a time";
    }
    // Random pieces of 1 to 4096 bytes, small ones most often.
    std::mt19937 random(20261211);
    for (int round = 0; round < 40; ++round) {
        std::vector<std::string_view> pieces;
        for (std::size_t at = 0; at < log.size();) {
            const std::size_t most = std::size_t{1}
                                     << std::uniform_int_distribution<int>(0, 12)(random);
            const std::size_t size = std::min(
                log.size() - at, std::uniform_int_distribution<std::size_t>(1, most)(random));
            pieces.push_back(log.substr(at, size));
            at += size;
        }
        ASSERT_EQ(Checked(row.options, pieces), whole) << "round " << round;
    }
}

// Frames of each format with every line end, empty lines, flaws, wrong LRCs and characters of
// two to four UTF-8 bytes.
const std::string ModbusLog = ":1103006B00037E\r\n:1103006B00037F\r\n\r\n:0101FE\n:01FF\r:0G\r\n"
                              "1103\r\n:01\xc3\xa9\r\n:010203\r\n\xe2\x80\xa8:01FF\n:01FF";
const std::string SpacedLog = "11 03 00 6B 00 03 7E\r\n01 02 03\n\n05 FB\r0\xf0\x9f\x98\x80\n"
                              "01\xe2\x80\xa8\n01  02\r\n10 10 DF\n\xc3\xa9\r\n05 FA";
// Runs of whole lines longer than one run, and a line longer than a run.
const std::string LongModbusLog = Repeated(":01FF\r\n:0102FD\r\n:0101FF\r\n", 1500) + ":" +
                                  Repeated("00", 20000) + "\r\n" + Repeated(":01FF\r\n", 3000) +
                                  ":0G\r\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Report, PushedChecker, testing::Values(
    TLogCase{"modbus_checked_a_run_at_a_time", Options(TFrameFormat::ModbusAscii, true), ModbusLog},
    TLogCase{"modbus_quiet", Options(TFrameFormat::ModbusAscii, true, false, false, true), ModbusLog},
    TLogCase{"modbus_json", Options(TFrameFormat::ModbusAscii, true, true), ModbusLog},
    TLogCase{"modbus_frames_built", Options(TFrameFormat::ModbusAscii, false, false, true),
             "1103006B0003\r\n11030\r\n0101\n\r\n01\xc3\xa9\n01"},
    TLogCase{"modbus_long_runs", Options(TFrameFormat::ModbusAscii, true), LongModbusLog},
    TLogCase{"modbus_long_runs_quiet", Options(TFrameFormat::ModbusAscii, true, false, false, true), LongModbusLog},
    TLogCase{"packed_values", Options(TFrameFormat::Packed, false), "0102\r\n01 02\r\n\n0a0b\rFF\n\xc3\xa9"},
    TLogCase{"spaced_checked", Options(TFrameFormat::Spaced, true), SpacedLog},
    TLogCase{"spaced_json", Options(TFrameFormat::Spaced, true, true), SpacedLog},
    TLogCase{"spaced_values", Options(TFrameFormat::Spaced, false), SpacedLog},
    TLogCase{"c_arrays", Options(TFrameFormat::CArray, true), "{0x01, 0xFF}\r\n[0x01,0x02]\n0x05, 0xFB\r0x0G\n"},
    TLogCase{"colon_pairs", Options(TFrameFormat::Colon, false), "01:FF\r\n01:\n\n01::02\r11:03:00"}),
    [](const testing::TestParamInfo<TLogCase>& info) { return std::string(info.param.name); });
// clang-format on

// A step of a live log: bytes, or an error the port reported at that point.
using TStep = std::variant<std::string, TPortFault>;

struct TEventCase
{
    const char* name;
    TReportOptions options;
    std::vector<TStep> steps;
    // What the checker has said after each step, and after End.
    std::vector<std::string> said;
};

void PrintTo(const TEventCase& row, std::ostream* os)
{
    *os << row.name;
}

class LiveLog : public testing::TestWithParam<TEventCase>
{
};

// A port's log, checked with the live line limit: each report is there as soon as its line has
// ended (or, for an error between lines and a line too long, at once), and no sooner.
TEST_P(LiveLog, ReportsEachLineAsItEnds)
{
    const TEventCase& row = GetParam();
    ASSERT_EQ(row.said.size(), row.steps.size() + 1);
    TTranscript said;
    TLineChecker checker(row.options, said, LiveLineLimit, true);
    for (std::size_t i = 0; i < row.steps.size(); ++i) {
        const std::string time = 'T' + std::to_string(i);
        if (const auto* bytes = std::get_if<std::string>(&row.steps[i]))
            checker.Push(*bytes, time);
        else
            checker.Fault(std::get<TPortFault>(row.steps[i]), time);
        EXPECT_EQ(said.Said(), row.said[i]) << "after step " << i;
    }
    checker.End("T-end");
    EXPECT_EQ(said.Said(), row.said.back()) << "after the end";
}

TReportOptions Timed(TReportOptions options)
{
    options.timestamps = true;
    return options;
}

const std::string TooLong = std::string(LiveLineLimit, '0') + "1";
const std::string Dropped = "malformed at column 65537: a line of more than 65536 bytes; the rest "
                            "of it is dropped\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Report, LiveLog, testing::Values(
    TEventCase{"an_error_between_lines_is_reported_at_once", Options(TFrameFormat::ModbusAscii, true),
               {":01FF\r\n", TPortFault::Break, ":01FF\r\n"},
               {"1: ok\n", "1: ok\n2: port error: a break\n", "1: ok\n2: port error: a break\n3: ok\n",
                "1: ok\n2: port error: a break\n3: ok\n"
                "E: sumvane-lrc: 3 frames: 2 ok, 0 wrong LRC, 0 malformed, 1 port error\n"}},
    TEventCase{"an_error_inside_a_line_is_that_line_s_report", Options(TFrameFormat::ModbusAscii, true),
               {":01F", TPortFault::Parity, "F\r", "\n:01FF"},
               {"", "", "1: port error at column 5: a parity error\n",
                "1: port error at column 5: a parity error\n",
                "1: port error at column 5: a parity error\n2: ok\n"
                "E: sumvane-lrc: 2 frames: 1 ok, 0 wrong LRC, 0 malformed, 1 port error\n"}},
    TEventCase{"only_the_first_error_of_a_line_is_named", Options(TFrameFormat::Packed, false),
               {"01", TPortFault::Framing, "0", TPortFault::Overrun, "2\n"},
               {"", "", "", "", "1: port error at column 3: a framing error\n",
                "1: port error at column 3: a framing error\n"
                "E: sumvane-lrc: 1 frame: 0 ok, 0 malformed, 1 port error\n"}},
    TEventCase{"an_error_after_a_CR_is_between_lines", Options(TFrameFormat::ModbusAscii, true),
               {":01FF\r", TPortFault::Overrun, "\n:0102FE\n"},
               {"1: ok\n", "1: ok\n2: port error: an overrun: characters were lost\n",
                "1: ok\n2: port error: an overrun: characters were lost\n3: LRC mismatch: ends with FE, should end with FD\n",
                "1: ok\n2: port error: an overrun: characters were lost\n3: LRC mismatch: ends with FE, should end with FD\n"
                "E: sumvane-lrc: 3 frames: 1 ok, 1 wrong LRC, 0 malformed, 1 port error\n"}},
    TEventCase{"errors_in_json", Options(TFrameFormat::ModbusAscii, true, true),
               {TPortFault::ParityOrFraming, ":0", TPortFault::Break, "1FF\n"},
               {"{\"line\":1,\"valid\":false,\"port_error\":\"parity-or-framing\",\"error\":\"a parity or framing error\",\"column\":1}\n",
                "{\"line\":1,\"valid\":false,\"port_error\":\"parity-or-framing\",\"error\":\"a parity or framing error\",\"column\":1}\n",
                "{\"line\":1,\"valid\":false,\"port_error\":\"parity-or-framing\",\"error\":\"a parity or framing error\",\"column\":1}\n",
                "{\"line\":1,\"valid\":false,\"port_error\":\"parity-or-framing\",\"error\":\"a parity or framing error\",\"column\":1}\n"
                "{\"line\":2,\"valid\":false,\"port_error\":\"break\",\"error\":\"a break\",\"column\":3}\n",
                "{\"line\":1,\"valid\":false,\"port_error\":\"parity-or-framing\",\"error\":\"a parity or framing error\",\"column\":1}\n"
                "{\"line\":2,\"valid\":false,\"port_error\":\"break\",\"error\":\"a break\",\"column\":3}\n"
                "{\"summary\":true,\"frames\":2,\"ok\":0,\"wrong_lrc\":0,\"malformed\":0,\"port_errors\":2}\n"}},
    TEventCase{"errors_of_frames_built_go_with_the_flaws", Options(TFrameFormat::ModbusAscii, false, false, true),
               {"0101\n01", TPortFault::Parity, "01\n"},
               {":0101FE\r\n", ":0101FE\r\n", ":0101FE\r\nE: sumvane-lrc: line 2: port error at column 3: a parity error\n",
                ":0101FE\r\nE: sumvane-lrc: line 2: port error at column 3: a parity error\n"
                "E: sumvane-lrc: 2 frames: 1 ok, 0 malformed, 1 port error\n"}},
    TEventCase{"a_line_too_long_is_reported_once_it_is_and_its_rest_dropped", Options(TFrameFormat::ModbusAscii, true),
               {":01FF\n", TooLong, "00000", "\r\n:01FF\n"},
               {"1: ok\n", "1: ok\n2: " + Dropped, "1: ok\n2: " + Dropped, "1: ok\n2: " + Dropped + "3: ok\n",
                "1: ok\n2: " + Dropped + "3: ok\nE: sumvane-lrc: 3 frames: 2 ok, 0 wrong LRC, 1 malformed, 0 port errors\n"}},
    TEventCase{"a_line_too_long_that_ends_in_the_same_piece", Options(TFrameFormat::Packed, false),
               {TooLong + "\n01\n"},
               {"1: " + Dropped + "2: FF\n",
                "1: " + Dropped + "2: FF\nE: sumvane-lrc: 2 frames: 1 ok, 1 malformed, 0 port errors\n"}},
    TEventCase{"a_line_of_just_the_limit_is_kept", Options(TFrameFormat::Packed, false),
               {std::string(LiveLineLimit, '0'), "\n"},
               {"", "1: 00\n", "1: 00\nE: sumvane-lrc: 1 frame: 1 ok, 0 malformed, 0 port errors\n"}},
    TEventCase{"an_error_in_a_line_too_long_goes_with_it", Options(TFrameFormat::Packed, false),
               {"00", TPortFault::Break, TooLong, "\n"},
               {"", "", "1: " + Dropped, "1: " + Dropped,
                "1: " + Dropped + "E: sumvane-lrc: 1 frame: 0 ok, 1 malformed, 0 port errors\n"}},
    TEventCase{"times_are_those_of_the_piece_that_ended_the_line", Timed(Options(TFrameFormat::ModbusAscii, true)),
               {":01", "FF\r\n:01FF", TPortFault::Break, "\n"},
               {"", "T1 1: ok\n", "T1 1: ok\n", "T1 1: ok\nT3 2: port error at column 6: a break\n",
                "T1 1: ok\nT3 2: port error at column 6: a break\n"
                "E: sumvane-lrc: 2 frames: 1 ok, 0 wrong LRC, 0 malformed, 1 port error\n"}},
    TEventCase{"times_in_json_come_first", Timed(Options(TFrameFormat::ModbusAscii, true, true)),
               {":01FF\n:0101F"},
               {"{\"time\":\"T0\",\"line\":1,\"valid\":true,\"hex\":\"00\",\"decimal\":0,\"octal\":\"0\",\"binary\":\"0000 0000\","
                "\"bytes\":2,\"check\":\"ok\",\"last\":\"FF\",\"expected\":\"FF\"}\n",
                "{\"time\":\"T0\",\"line\":1,\"valid\":true,\"hex\":\"00\",\"decimal\":0,\"octal\":\"0\",\"binary\":\"0000 0000\","
                "\"bytes\":2,\"check\":\"ok\",\"last\":\"FF\",\"expected\":\"FF\"}\n"
                "{\"time\":\"T-end\",\"line\":2,\"valid\":false,\"flaw\":\"a single hex digit; every byte is two\",\"position\":6,"
                "\"column\":6,\"byte\":6}\n"
                "{\"summary\":true,\"frames\":2,\"ok\":1,\"wrong_lrc\":0,\"malformed\":1,\"port_errors\":0}\n"}}),
    [](const testing::TestParamInfo<TEventCase>& info) { return std::string(info.param.name); });
// clang-format on

struct TTimeCase
{
    long long milliseconds;
    int offsetMinutes;
    const char* text;
};

// Dates across leap days, centuries and 1970, zones east and west with half hours.
TEST(Timestamps, AreLocalTimeToTheMillisecondWithTheOffset)
{
    const TTimeCase rows[] = {
        {0, 0, "1970-01-01T00:00:00.000+00:00"},
        {-1, 0, "1969-12-31T23:59:59.999+00:00"},
        {1797001553333, 60, "2026-12-11T16:05:53.333+01:00"},
        {1709164799999, -210, "2024-02-28T20:29:59.999-03:30"},
        {1709251199999, 330, "2024-03-01T05:29:59.999+05:30"},
        {951782400000, -720, "2000-02-28T12:00:00.000-12:00"},
        {253402300799999, 0, "9999-12-31T23:59:59.999+00:00"},
    };
    for (const TTimeCase& row : rows)
        EXPECT_EQ(TimestampText(row.milliseconds, row.offsetMinutes), row.text)
            << row.milliseconds << " at " << row.offsetMinutes;
}

} // namespace
