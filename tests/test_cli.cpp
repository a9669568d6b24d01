// sumvane-lrc as a script sees it, run in this process: its arguments, its three streams and
// its exit status.
#include "cli/LrcTool.h"
#include "cli/Options.h"
#include "cli/Platform.h"
#include "cli/SerialPort.h"
#include "product/Product.h"
#include "report/LineChecker.h"
#include "tests/support/CompletionScript.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

struct TRun
{
    int status = -1;
    std::string out;
    std::string err;
};

// A temporary file, closed and removed when it goes.
class TTempStream
{
public:
    TTempStream() : m_file(std::tmpfile()) {}
    ~TTempStream()
    {
        if (m_file)
            std::fclose(m_file);
    }
    TTempStream(const TTempStream&) = delete;
    TTempStream& operator=(const TTempStream&) = delete;

    std::FILE* Get() const { return m_file; }

    // Everything written so far.
    std::string Contents() const
    {
        std::string text;
        std::rewind(m_file);
        char piece[1 << 16];
        while (const std::size_t got = std::fread(piece, 1, sizeof piece, m_file))
            text.append(piece, got);
        return text;
    }

private:
    std::FILE* m_file;
};

// Runs the tool with `input` on its standard input; `out`, when given, stands for its standard
// output.
TRun RunTool(const std::vector<std::string>& args, const std::string& input = {},
             std::FILE* out = nullptr)
{
    TTempStream in, ownOut, err;
    if (!in.Get() || !ownOut.Get() || !err.Get()) {
        ADD_FAILURE() << "no temporary file";
        return {};
    }
    if (std::fwrite(input.data(), 1, input.size(), in.Get()) != input.size()) {
        ADD_FAILURE() << "the input could not be written";
        return {};
    }
    std::rewind(in.Get());
    TRun run;
    run.status = RunLrcTool(args, in.Get(), out ? out : ownOut.Get(), err.Get());
    if (!out)
        run.out = ownOut.Contents();
    run.err = err.Contents();
    return run;
}

const std::string ExampleReport =
    "hex: E2\ndecimal: 226\noctal: 342\nbinary: 1110 0010\nbytes: 5\n";

// The start of every message about malformed text, and the ends each format gives it.
const std::string Malformed = "sumvane-lrc: 数据格式不正确 (malformed data) at ";
const std::string SpacedEnd = " (expected pairs of hex digits, each but the last followed by one "
                              "blank, tab or line break)\n";
const std::string PackedEnd = " (expected pairs of hex digits with nothing between them)\n";
const std::string ModbusEnd = " (expected ':' and pairs of hex digits, perhaps ended by CR LF)\n";

std::string Repeated(const std::string& text, std::size_t times)
{
    std::string all;
    all.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        all += text;
    return all;
}

// "00 00 … 00" that, after one LF, ends one byte short of a piece: 21845 pairs in 64 KiB.
const std::string PieceLessTwo = Repeated("00 ", (LinesReadPiece - 4) / 3) + "00";
// A log whose first piece ends inside a line after a lone CR, the next opening with that line's
// LF: 10923 frames with 64 KiB pieces.
const std::string PieceEndsAfterALoneCr =
    Repeated("05 FB\n", (LinesReadPiece - 16) / 6) + "01 FF 00\r\n\r05 FB\n01 FF\n";
// Modbus ASCII frames after an empty line, whose 9363rd frame's CR ends the first piece and whose
// LF opens the next; the frame after it ends with the wrong LRC.
const std::string ModbusCrLfAcrossPieces =
    "\n" + Repeated(":01FF\r\n", (LinesReadPiece - 9) / 7) + ":0101FE\r\n:0102FE\r\n";
// One line of packed pairs that fills the first piece but for the empty line before it and its CR.
const std::string PackedLineFillingAPiece =
    "\n" + Repeated("00", (LinesReadPiece - 2) / 2) + "\r\n05";
// 30000 pairs of 01, 89999 bytes: longer than a piece.
const std::string LongerThanAPiece = Repeated("01 ", 29999) + "01";

struct TCase
{
    const char* name;
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out;
    std::string err;
};

void PrintTo(const TCase& row, std::ostream* os)
{
    *os << row.name;
}

class ToolAnswers : public testing::TestWithParam<TCase>
{
};

TEST_P(ToolAnswers, StreamsAndStatus)
{
    const TCase& row = GetParam();
    const TRun run = RunTool(row.args, row.input);
    EXPECT_EQ(run.status, row.status);
    EXPECT_EQ(run.out, row.out);
    EXPECT_EQ(run.err, row.err);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cli, ToolAnswers, testing::Values(
    TCase{"example_as_argument", {"01 A0 7C FF 02"}, "", 0, ExampleReport, ""},
    TCase{"example_on_stdin_with_its_newline", {}, "01 A0 7C FF 02\n", 0, ExampleReport, ""},
    TCase{"example_on_stdin_with_CR_LF", {}, "01 A0 7C FF 02\r\n", 0, ExampleReport, ""},
    TCase{"argument_wins_over_stdin", {"01 A0 7C FF 02"}, "zz", 0, ExampleReport, ""},
    TCase{"text_after_the_end_of_options", {"--", "01 A0 7C FF 02"}, "", 0, ExampleReport, ""},
    TCase{"field_hex", {"--field", "hex", "01 02 02"}, "", 0, "FB\n", ""},
    TCase{"field_equals_decimal", {"--field=decimal", "01 02 02"}, "", 0, "251\n", ""},
    TCase{"field_octal", {"--field", "octal", "08"}, "", 0, "370\n", ""},
    TCase{"field_binary", {"--field", "binary", "FF"}, "", 0, "0000 0001\n", ""},
    TCase{"field_bytes", {"--field", "bytes"}, "01\t02\n03", 0, "3\n", ""},
    TCase{"malformed_argument", {"01  02"}, "", 1, "",
          Malformed + "character 4: two separators in a row" + SpacedEnd},
    TCase{"empty_stdin", {}, "", 1, "", Malformed + "character 1: no pair of hex digits" + SpacedEnd},
    TCase{"non_UTF8_stdin", {}, "01 \xff", 1, "", Malformed + "byte 4: invalid UTF-8" + SpacedEnd},
    TCase{"NUL_on_stdin", {}, std::string("01\0 02", 6), 1, "",
          Malformed + "character 3: U+0000 is neither a hex digit nor a separator" + SpacedEnd},
    TCase{"a_million_separators_on_stdin", {}, "01" + std::string(1'000'000, ' '), 1, "",
          Malformed + "character 4: two separators in a row" + SpacedEnd},
    TCase{"nothing_but_newlines_on_stdin", {}, Repeated("\r\n", 500'000), 1, "",
          Malformed + "character 1: a separator before the first pair" + SpacedEnd},
    TCase{"lone_surrogate_encoded_in_UTF8", {}, "01 \xed\xb0\x80", 1, "",
          Malformed + "byte 4: invalid UTF-8" + SpacedEnd},
    TCase{"malformed_with_a_field", {"--field", "hex", "1"}, "", 1, "",
          Malformed + "character 1: a single hex digit; every byte is two" + SpacedEnd},
    TCase{"check_passes", {"--check", "11 03 00 6B 00 03 7E"}, "", 0, "check: ok\n", ""},
    TCase{"check_passes_on_stdin", {"--check"}, "01 A0 7C FF 02 E2\n", 0, "check: ok\n", ""},
    TCase{"check_fails_with_the_right_LRC", {"--check", "11 03 00 6B 00 03 7F"}, "", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with 7F, it should end with 7E\n"},
    TCase{"check_of_a_one_byte_frame", {"--check", "05"}, "", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with 05, it should end with 00\n"},
    TCase{"check_names_the_last_byte_before_a_closing_LF", {"--check"}, "11 03 00 6B 00 03 7F\n", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with 7F, it should end with 7E\n"},
    TCase{"check_names_the_last_byte_before_a_closing_CR_LF", {"--check", "11 03 00 6B 00 03 7F\r\n"}, "", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with 7F, it should end with 7E\n"},
    TCase{"check_names_the_last_byte_before_a_blank_and_a_line_separator",
          {"--check", "01 A0 7C FF 02 E3 \xe2\x80\xa8"}, "", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with E3, it should end with E2\n"},
    TCase{"check_of_malformed_text", {"--check", "7E  "}, "", 1, "",
          Malformed + "character 4: two separators in a row" + SpacedEnd},
    TCase{"dash_reads_stdin", {"-"}, "01 A0 7C FF 02", 0, ExampleReport, ""},
    TCase{"packed_frame", {"--format", "packed", "01a07cFF02"}, "", 0, ExampleReport, ""},
    TCase{"modbus_ascii_frame_checks", {"--format=modbus-ascii", "--check"}, ":1103006B00037E\r\n", 0,
          "check: ok\n", ""},
    TCase{"modbus_ascii_frame_with_a_wrong_LRC", {"--format=modbus-ascii", "--check", ":1103006B00037F"}, "", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with 7F, it should end with 7E\n"},
    TCase{"a_doubled_blank_named_by_its_place", {}, "01 A0 7C  FF", 1, "",
          Malformed + "character 10: two separators in a row" + SpacedEnd},
    TCase{"a_place_on_the_second_line", {}, "01 02\n03 0G", 1, "",
          Malformed + "line 2, column 5: 'G' is neither a hex digit nor a separator" + SpacedEnd},
    TCase{"a_lone_CR_is_a_line_break_in_a_place", {"01\r02 0G"}, "", 1, "",
          Malformed + "line 2, column 5: 'G' is neither a hex digit nor a separator" + SpacedEnd},
    TCase{"a_place_counts_characters_not_bytes", {"01\xe2\x80\xa8X"}, "", 1, "",
          Malformed + "character 4: text after the final line break" + SpacedEnd},
    TCase{"a_place_after_many_characters_and_line_breaks", {"01 02 03 04\n05 06 07 08\r09 0G"}, "",
          1, "", Malformed + "line 3, column 5: 'G' is neither a hex digit nor a separator" + SpacedEnd},
    TCase{"a_place_after_many_characters_and_a_line_separator", {"01 02 03 04 05\xe2\x80\xa8X"},
          "", 1, "", Malformed + "character 16: text after the final line break" + SpacedEnd},
    TCase{"CR_LF_is_one_line_break_in_a_place", {"--format=packed"}, "0102\r\n03", 1, "",
          Malformed + "line 2, column 1: text after the final line break" + PackedEnd},
    TCase{"invalid_UTF8_named_by_its_byte", {}, "01 \xff", 1, "", Malformed + "byte 4: invalid UTF-8" + SpacedEnd},
    TCase{"UTF16_input", {}, std::string("\xff\xfe" "0\0" "1\0", 6), 1, "",
          Malformed + "character 1: UTF-16 text; save it as UTF-8" + SpacedEnd},
    TCase{"packed_text_hints_at_its_format", {"1103006B"}, "", 1, "",
          Malformed + "character 3: a third hex digit; pairs are separated by one blank" + SpacedEnd +
          "sumvane-lrc: hint: it is well-formed as --format packed\n"},
    TCase{"modbus_ascii_odd_digits", {"--format", "modbus-ascii", ":11030"}, "", 1, "",
          Malformed + "character 6: a single hex digit; every byte is two" + ModbusEnd},
    TCase{"lines_every_frame_ok", {"--lines", "--check"}, "11 03 00 6B 00 03 7E\r\n\n01 03 00 00 00 01 FB", 0,
          "1: ok\n3: ok\n", "sumvane-lrc: 2 frames: 2 ok, 0 wrong LRC, 0 malformed\n"},
    TCase{"lines_one_bad_frame_of_each_kind", {"--lines", "--check", "--format=modbus-ascii"},
          ":1103006B00037F\r1103\r\n\r\n:0101FE", 1,
          "1: LRC mismatch: ends with 7F, should end with 7E\n"
          "2: malformed at column 1: a Modbus ASCII frame starts with ':'\n"
          "4: ok\n",
          "sumvane-lrc: 3 frames: 1 ok, 1 wrong LRC, 1 malformed\n"},
    TCase{"lines_a_place_within_its_line", {"--lines", "--format", "packed"}, "0102\n01 02\r\n", 1,
          "1: FD\n2: malformed at column 3: a blank is not a hex digit\n",
          "sumvane-lrc: 2 frames: 1 ok, 1 malformed\n"},
    TCase{"lines_CR_LF_split_between_two_pieces", {"--lines", "--field=bytes"},
          "\n" + PieceLessTwo + "\r\n05", 0, "2: 21845\n3: 1\n", "sumvane-lrc: 2 frames: 2 ok, 0 malformed\n"},
    TCase{"lines_a_lone_CR_ends_a_piece", {"--lines", "--field=bytes"},
          "\n" + PieceLessTwo + "\r05", 0, "2: 21845\n3: 1\n", "sumvane-lrc: 2 frames: 2 ok, 0 malformed\n"},
    TCase{"lines_an_LF_opening_a_piece_ends_the_line_after_a_lone_CR", {"--lines", "--check", "--quiet"},
          PieceEndsAfterALoneCr, 0, "", "sumvane-lrc: 10923 frames: 10923 ok, 0 wrong LRC, 0 malformed\n"},
    TCase{"lines_modbus_CR_LF_split_between_two_pieces", {"--lines", "--check", "--quiet", "--format=modbus-ascii"},
          ModbusCrLfAcrossPieces, 1, "9364: LRC mismatch: ends with FE, should end with FD\n",
          "sumvane-lrc: 9363 frames: 9362 ok, 1 wrong LRC, 0 malformed\n"},
    TCase{"lines_packed_a_line_filling_a_piece", {"--lines", "--format=packed", "--field=bytes"},
          PackedLineFillingAPiece, 0, "2: 32767\n3: 1\n", "sumvane-lrc: 2 frames: 2 ok, 0 malformed\n"},
    TCase{"lines_modbus_characters_out_of_place", {"--lines", "--check", "--format=modbus-ascii"},
          ":01FF\r\n:01:FF\r\n01FF\r\n:01 FF\r\n::01FF\n:01FF:\n\n:\n:0\n:01FF", 1,
          "1: ok\n"
          "2: malformed at column 4: ':' is not a hex digit\n"
          "3: malformed at column 1: a Modbus ASCII frame starts with ':'\n"
          "4: malformed at column 4: a blank is not a hex digit\n"
          "5: malformed at column 2: ':' is not a hex digit\n"
          "6: malformed at column 6: ':' is not a hex digit\n"
          "8: malformed at column 2: no pair of hex digits\n"
          "9: malformed at column 2: a single hex digit; every byte is two\n"
          "10: ok\n",
          "sumvane-lrc: 9 frames: 2 ok, 0 wrong LRC, 7 malformed\n"},
    TCase{"lines_an_empty_log", {"--lines"}, "", 0, "", "sumvane-lrc: 0 frames: 0 ok, 0 malformed\n"},
    TCase{"lines_a_line_longer_than_a_piece", {"--lines"}, LongerThanAPiece + "\r\n05 FB\n", 0,
          "1: D0\n2: 00\n", "sumvane-lrc: 2 frames: 2 ok, 0 malformed\n"},
    TCase{"append_spaced", {"--append", "11 03 00 6B 00 03"}, "", 0, "11 03 00 6B 00 03 7E\n", ""},
    TCase{"append_packed_from_stdin_in_capitals", {"--append", "--format=packed"}, "1103006b0003\r\n", 0,
          "1103006B00037E\n", ""},
    TCase{"append_modbus_ascii_the_wire_frame", {"--append", "--format", "modbus-ascii", "1103006B0003"}, "", 0,
          ":1103006B00037E\r\n", ""},
    TCase{"append_modbus_ascii_refuses_a_whole_frame", {"--append", "--format=modbus-ascii", ":1103006B00037E"}, "", 1, "",
          Malformed + "character 1: ':' is not a hex digit (expected the address, function and data as pairs "
                      "of hex digits, without ':' and LRC)\n"},
    TCase{"append_a_C_array_keeps_its_braces", {"--append", "--format=c-array", "{0x11, 0X03,}"}, "", 0,
          "{0x11, 0x03, 0xEC}\n", ""},
    TCase{"append_a_C_array_keeps_its_square_brackets", {"--append", "--format=c-array", "[0x11, 0x03]"}, "", 0,
          "[0x11, 0x03, 0xEC]\n", ""},
    TCase{"append_colon_separated", {"--append", "--format=colon", "11:03"}, "", 0, "11:03:EC\n", ""},
    TCase{"append_a_zero_LRC", {"--append", "FF 01"}, "", 0, "FF 01 00\n", ""},
    TCase{"append_malformed_prints_nothing", {"--append", "01 2"}, "", 1, "",
          Malformed + "character 4: a single hex digit; every byte is two" + SpacedEnd},
    TCase{"append_lines_frames_out_flaws_on_stderr", {"--append", "--lines", "--format=modbus-ascii"},
          "1103006B0003\r\n11030\n0101\n", 1, ":1103006B00037E\r\n:0101FE\r\n",
          "sumvane-lrc: line 2: malformed at column 5: a single hex digit; every byte is two\n"
          "sumvane-lrc: 3 frames: 2 ok, 1 malformed\n"},
    TCase{"a_C_array_hints_at_its_format", {"0x11, 0x03"}, "", 1, "",
          Malformed + "character 2: 'x' is neither a hex digit nor a separator" + SpacedEnd +
          "sumvane-lrc: hint: it is well-formed as --format c-array\n"},
    TCase{"no_hint_under_an_explicit_format", {"--format", "spaced", "0x11, 0x03"}, "", 1, "",
          Malformed + "character 2: 'x' is neither a hex digit nor a separator" + SpacedEnd},
    TCase{"colon_separated_hints_at_its_format", {"11:03:00"}, "", 1, "",
          Malformed + "character 3: ':' is neither a hex digit nor a separator" + SpacedEnd +
          "sumvane-lrc: hint: it is well-formed as --format colon\n"},
    TCase{"C_array_with_a_blank_before_its_comma", {"--format=c-array", "0x11 ,0x03"}, "", 1, "",
          Malformed + "character 5: a blank cannot stand here (expected bytes such as 0x11, each 0x and two "
                      "hex digits, separated by a comma and perhaps blanks, perhaps in {} or [])\n"},
    TCase{"C_array_a_field_of_it", {"--format=c-array", "--field=hex", "[0x11, 0x03]"}, "", 0, "EC\n", ""},
    TCase{"colon_separated_odd_digits", {"--format=colon", "11:3"}, "", 1, "",
          Malformed + "character 4: a single hex digit; every byte is two (expected pairs of hex digits "
                      "separated by ':')\n"},
    TCase{"status_malformed_nothing_said", {"--status", "01  02"}, "", 1, "", ""},
    TCase{"status_a_check_that_passes", {"--status", "--check", "05 FB"}, "", 0, "", ""},
    TCase{"status_a_check_that_fails", {"--status", "--check", "05 FA"}, "", 1, "", ""},
    TCase{"status_a_log_with_a_bad_frame", {"--status", "--lines", "--check"}, "05 FB\n05\n", 1, "", ""},
    TCase{"quiet_only_the_failing_frames_and_the_tally", {"--lines", "--check", "--quiet"},
          "05 FB\n05\n\n06 FA\n0G", 1,
          "2: LRC mismatch: ends with 05, should end with 00\n"
          "5: malformed at column 2: 'G' is neither a hex digit nor a separator\n",
          "sumvane-lrc: 4 frames: 2 ok, 1 wrong LRC, 1 malformed\n"},
    TCase{"json", {"--json", "01 A0 7C FF 02"}, "", 0,
          "{\"valid\":true,\"hex\":\"E2\",\"decimal\":226,\"octal\":\"342\",\"binary\":\"1110 0010\",\"bytes\":5}\n", ""},
    TCase{"json_malformed_with_the_formats_that_read_it", {"--json", "0102"}, "", 1,
          "{\"valid\":false,\"flaw\":\"a third hex digit; pairs are separated by one blank\",\"position\":3,"
          "\"line\":1,\"column\":3,\"byte\":3,\"well_formed_as\":[\"packed\"]}\n", ""},
    TCase{"json_malformed_under_an_explicit_format_names_no_other", {"--json", "--format=spaced", "0x11, 0x03"}, "", 1,
          "{\"valid\":false,\"flaw\":\"'x' is neither a hex digit nor a separator\",\"position\":2,"
          "\"line\":1,\"column\":2,\"byte\":2}\n", ""},
    TCase{"json_of_invalid_UTF8", {"--json"}, "01\n\xff", 1,
          "{\"valid\":false,\"flaw\":\"invalid UTF-8\",\"position\":4,\"line\":2,\"column\":1,\"byte\":4}\n", ""},
    TCase{"json_of_a_failing_check", {"--json", "--check", "11 03 00 6B 00 03 7F"}, "", 1,
          "{\"valid\":true,\"hex\":\"FF\",\"decimal\":255,\"octal\":\"377\",\"binary\":\"1111 1111\",\"bytes\":7,"
          "\"check\":\"mismatch\",\"last\":\"7F\",\"expected\":\"7E\"}\n", ""},
    TCase{"json_of_a_frame_built", {"--json", "--append", "--format=modbus-ascii", "F7"}, "", 0,
          "{\"valid\":true,\"hex\":\"09\",\"decimal\":9,\"octal\":\"11\",\"binary\":\"0000 1001\",\"bytes\":1,"
          "\"frame\":\":F709\"}\n", ""},
    TCase{"json_lines_and_the_summary", {"--json", "--lines", "--check"}, "05 FB\n\n05\r\n0G\n", 1,
          "{\"line\":1,\"valid\":true,\"hex\":\"00\",\"decimal\":0,\"octal\":\"0\",\"binary\":\"0000 0000\",\"bytes\":2,"
          "\"check\":\"ok\",\"last\":\"FB\",\"expected\":\"FB\"}\n"
          "{\"line\":3,\"valid\":true,\"hex\":\"FB\",\"decimal\":251,\"octal\":\"373\",\"binary\":\"1111 1011\",\"bytes\":1,"
          "\"check\":\"mismatch\",\"last\":\"05\",\"expected\":\"00\"}\n"
          "{\"line\":4,\"valid\":false,\"flaw\":\"'G' is neither a hex digit nor a separator\",\"position\":2,"
          "\"column\":2,\"byte\":2}\n"
          "{\"summary\":true,\"frames\":3,\"ok\":1,\"wrong_lrc\":1,\"malformed\":1}\n", ""},
    TCase{"lines_with_a_field", {"--lines", "--field=bytes", "01 02\n03"}, "", 0, "1: 2\n2: 1\n",
          "sumvane-lrc: 2 frames: 2 ok, 0 malformed\n"},
    // A last byte that is another common check of the bytes before it is named as that check.
    TCase{"which_check_the_plain_sum", {"--check", "10 10 20"}, "", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with 20, it should end with E0 (20 is the sum of the "
          "other bytes, not negated)\n"},
    TCase{"which_check_the_ones_complement", {"--check", "10 10 DF"}, "", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with DF, it should end with E0 (DF is the one's "
          "complement of their sum)\n"},
    TCase{"which_check_the_XOR", {"--check", "11 03 00 6B 00 03 7A"}, "", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with 7A, it should end with 7E (7A is the XOR of the "
          "other bytes, a BCC)\n"},
    TCase{"which_check_the_characters_of_packed_pairs", {"--check", "--format=packed", "1103006B0003A0"}, "", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with A0, it should end with 7E (A0 is the LRC of their "
          "characters rather than their bytes)\n"},
    TCase{"which_check_the_characters_of_lower_case_pairs", {"--check", "--format=packed", "0a0aDE"}, "", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with DE, it should end with EC (DE is the LRC of their "
          "characters rather than their bytes)\n"},
    TCase{"which_check_the_characters_of_a_C_array", {"--check", "--format=c-array", "{0x0a, 0X0A, 0xFE}"}, "", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with FE, it should end with EC (FE is the LRC of their "
          "characters rather than their bytes)\n"},
    TCase{"which_check_modbus_characters_without_the_colon", {"--lines", "--check", "--format=modbus-ascii"},
          ":1103006B0003A0\r\n", 1,
          "1: LRC mismatch: ends with A0, should end with 7E (A0 is the LRC of their characters rather than "
          "their bytes)\n",
          "sumvane-lrc: 1 frame: 0 ok, 1 wrong LRC, 0 malformed\n"},
    TCase{"which_check_modbus_characters_with_the_colon", {"--lines", "--check", "--format=modbus-ascii"},
          ":1103006B000366\r\n", 1,
          "1: LRC mismatch: ends with 66, should end with 7E (66 is the LRC of their characters with the "
          "':')\n",
          "sumvane-lrc: 1 frame: 0 ok, 1 wrong LRC, 0 malformed\n"},
    TCase{"which_check_several_at_once", {"--check", "--format=modbus-ascii", ":010203"}, "", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with 03, it should end with FD (03 is the sum of the "
          "other bytes, not negated, and also the XOR of the other bytes, a BCC, and also the LRC of their "
          "characters with the ':')\n"},
    TCase{"which_check_in_json", {"--json", "--lines", "--check", "--format=modbus-ascii"}, ":010203\n:0101FE\n", 1,
          "{\"line\":1,\"valid\":true,\"hex\":\"FA\",\"decimal\":250,\"octal\":\"372\",\"binary\":\"1111 1010\","
          "\"bytes\":3,\"check\":\"mismatch\",\"last\":\"03\",\"expected\":\"FD\","
          "\"matches\":[\"sum\",\"xor\",\"character-lrc-with-colon\"]}\n"
          "{\"line\":2,\"valid\":true,\"hex\":\"00\",\"decimal\":0,\"octal\":\"0\",\"binary\":\"0000 0000\","
          "\"bytes\":3,\"check\":\"ok\",\"last\":\"FE\",\"expected\":\"FE\"}\n"
          "{\"summary\":true,\"frames\":2,\"ok\":1,\"wrong_lrc\":1,\"malformed\":0}\n", ""},
    TCase{"which_check_none_for_a_byte_alone", {"--check", "--format=packed", "07"}, "", 1, "",
          "sumvane-lrc: LRC mismatch: the frame ends with 07, it should end with 00\n"}),
    [](const testing::TestParamInfo<TCase>& info) { return std::string(info.param.name); });
// clang-format on

// The rows above that cross a piece boundary do cross it.
TEST(ToolAnswersInput, PieceRowsStraddleAPiece)
{
    const std::string split = "\n" + PieceLessTwo + "\r\n05";
    EXPECT_EQ(split[LinesReadPiece - 1], '\r');
    EXPECT_EQ(split[LinesReadPiece], '\n');
    EXPECT_GT(LongerThanAPiece.size(), LinesReadPiece);
    EXPECT_EQ(PieceEndsAfterALoneCr.substr(LinesReadPiece - 6, 7), "\r05 FB\n");
    EXPECT_EQ(ModbusCrLfAcrossPieces.substr(LinesReadPiece - 8, 9), ":0101FE\r\n");
    EXPECT_EQ(PackedLineFillingAPiece.substr(LinesReadPiece - 2, 3), "0\r\n");
}

struct TUsageCase
{
    const char* name;
    std::vector<std::string> args;
    std::string message;
};

void PrintTo(const TUsageCase& row, std::ostream* os)
{
    *os << row.name;
}

class UsageErrors : public testing::TestWithParam<TUsageCase>
{
};

// A usage error exits 2 with the reason and where the help is, on standard error.
TEST_P(UsageErrors, ExitTwoWithTheReasonAndWhereTheHelpIs)
{
    const TUsageCase& row = GetParam();
    const TRun run = RunTool(row.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, row.message + "Try 'sumvane-lrc --help' for more information.\n");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cli, UsageErrors, testing::Values(
    TUsageCase{"unknown_option", {"--frobnicate"}, "sumvane-lrc: unknown option '--frobnicate'\n"},
    TUsageCase{"an_option_that_only_starts_as_one", {"--field-hex", "01"}, "sumvane-lrc: unknown option '--field-hex'\n"},
    TUsageCase{"second_TEXT", {"01", "02"}, "sumvane-lrc: more than one TEXT given; quote the data text as one argument\n"},
    TUsageCase{"field_without_name", {"--field"}, "sumvane-lrc: --field needs a NAME\n"},
    TUsageCase{"unknown_field", {"--field=crc", "01"}, "sumvane-lrc: unknown field 'crc' (expected hex, decimal, octal, binary or bytes)\n"},
    TUsageCase{"check_with_field", {"--check", "--field", "hex", "01"}, "sumvane-lrc: --check and --field cannot be combined\n"},
    TUsageCase{"repeated_field", {"--field=hex", "--field", "bytes", "01"}, "sumvane-lrc: --field given more than once\n"},
    TUsageCase{"unknown_format", {"--format=rtu", "01"}, "sumvane-lrc: unknown format 'rtu' (expected spaced, packed, modbus-ascii, c-array or colon)\n"},
    TUsageCase{"append_with_check", {"--append", "--check", "01"}, "sumvane-lrc: --append and --check cannot be combined\n"},
    TUsageCase{"json_with_field", {"--json", "--field=hex", "01"}, "sumvane-lrc: --json and --field cannot be combined\n"},
    TUsageCase{"status_with_json", {"--status", "--json", "01"}, "sumvane-lrc: --status and --json cannot be combined\n"},
    TUsageCase{"status_with_quiet", {"--lines", "--status", "--quiet"}, "sumvane-lrc: --status and --quiet cannot be combined\n"},
    TUsageCase{"quiet_without_lines", {"--quiet", "01"}, "sumvane-lrc: --quiet needs --lines; for one text, --status prints nothing\n"},
    TUsageCase{"repeated_format", {"--format=packed", "--format=packed"}, "sumvane-lrc: --format given more than once\n"},
    TUsageCase{"port_without_device", {"--port"}, "sumvane-lrc: --port needs a DEVICE\n"},
    TUsageCase{"port_with_TEXT", {"--port", "/dev/ttyUSB0", "01"}, "sumvane-lrc: --port reads its frames from the port; give no TEXT\n"},
    TUsageCase{"repeated_port", {"--port=/dev/ttyUSB0", "--port", "/dev/ttyUSB1"}, "sumvane-lrc: --port given more than once\n"},
    TUsageCase{"baud_without_port", {"--lines", "--baud", "9600"}, "sumvane-lrc: --baud sets up a port: give it with --port DEVICE\n"},
    TUsageCase{"parity_without_port", {"--parity=even"}, "sumvane-lrc: --parity sets up a port: give it with --port DEVICE\n"},
    TUsageCase{"unknown_baud", {"--port", "COM3", "--baud", "9601"}, "sumvane-lrc: unknown baud '9601' (expected a standard rate such as 9600 or 115200)\n"},
    TUsageCase{"baud_not_a_number", {"--port", "COM3", "--baud=fast"}, "sumvane-lrc: unknown baud 'fast' (expected a standard rate such as 9600 or 115200)\n"},
    TUsageCase{"baud_with_a_tail", {"--port", "COM3", "--baud=9600x"}, "sumvane-lrc: unknown baud '9600x' (expected a standard rate such as 9600 or 115200)\n"},
    TUsageCase{"repeated_baud", {"--port", "COM3", "--baud=9600", "--baud=9600"}, "sumvane-lrc: --baud given more than once\n"},
    TUsageCase{"unknown_data_bits", {"--port", "COM3", "--data-bits", "9"}, "sumvane-lrc: unknown data-bits '9' (expected 7 or 8)\n"},
    TUsageCase{"unknown_parity", {"--port", "COM3", "--parity", "mark"}, "sumvane-lrc: unknown parity 'mark' (expected none, even or odd)\n"},
    TUsageCase{"unknown_stop_bits", {"--port", "COM3", "--stop-bits=1.5"}, "sumvane-lrc: unknown stop-bits '1.5' (expected 1 or 2)\n"},
    TUsageCase{"timestamps_without_lines", {"--timestamps", "01"}, "sumvane-lrc: --timestamps needs --lines or --port\n"},
    TUsageCase{"timestamps_with_append", {"--lines", "--append", "--timestamps"}, "sumvane-lrc: --timestamps and --append cannot be combined; with --json each frame built has its time\n"},
    TUsageCase{"port_conflicts_as_lines_do", {"--port", "COM3", "--status", "--quiet"}, "sumvane-lrc: --status and --quiet cannot be combined\n"}),
    [](const testing::TestParamInfo<TUsageCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST(HelpAndVersion, PrintToStandardOutput)
{
    const TRun version = RunTool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("sumvane-lrc ") + VersionText + "\n");
    EXPECT_EQ(version.err, "");

    const TRun help = RunTool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: sumvane-lrc [OPTIONS] [TEXT]\n")) << help.out;
    EXPECT_EQ(help.err, "");
}

// The options the help lists ("  --lines  ...", "  -h, --help  ..."), sorted.
std::vector<std::string> HelpOptions(std::string_view help)
{
    std::vector<std::string> options;
    for (std::size_t at = 0; (at = help.find("\n  ", at)) != std::string_view::npos; ++at) {
        std::string_view entry = help.substr(at + 3);
        if (entry.starts_with("-h, "))
            entry.remove_prefix(4);
        if (entry.starts_with("--"))
            options.emplace_back(entry.substr(0, entry.find_first_of(" \n")));
    }
    std::ranges::sort(options);
    return options;
}

// The words of the first list the completion script offers (compgen -W "...") after `after`.
std::vector<std::string> CompletionOffers(std::string_view script, std::string_view after)
{
    const std::string_view list = "compgen -W \"";
    const std::size_t start = script.find(list, script.find(after));
    if (start == std::string_view::npos)
        return {};
    const std::size_t from = start + list.size();
    std::istringstream words(std::string(script.substr(from, script.find('"', from) - from)));
    return {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
}

template <typename Table> std::vector<std::string> NamesOf(const Table& table)
{
    std::vector<std::string> names;
    for (const auto& entry : table)
        names.emplace_back(entry.first);
    return names;
}

// The help is written once, in the tool; every option the tool takes is in it, and bash offers
// the same options and the names they take.
TEST(Help, ListsEveryOptionOfTheToolAsBashCompletesThem)
{
    std::vector<std::string> options = NamesOf(Switches);
    options.emplace_back(FormatOption);
    options.emplace_back(FieldOption);
    options.insert(options.end(), PortOptions.begin(), PortOptions.end());
    std::ranges::sort(options);

    EXPECT_EQ(HelpOptions(RunTool({"--help"}).out), options);
    std::vector<std::string> offered = CompletionOffers(CompletionScript, "$cur == -*");
    std::ranges::sort(offered);
    EXPECT_EQ(offered, options);
    EXPECT_EQ(CompletionOffers(CompletionScript, "--format)"), NamesOf(FormatNames));
    EXPECT_EQ(CompletionOffers(CompletionScript, "--field)"), NamesOf(FieldNames));
    EXPECT_EQ(CompletionOffers(CompletionScript, "--parity)"), NamesOf(ParityNames));
    EXPECT_EQ(CompletionOffers(CompletionScript, "--data-bits)"), NamesOf(DataBitsNames));
    EXPECT_EQ(CompletionOffers(CompletionScript, "--stop-bits)"), NamesOf(StopBitsNames));
}

// A TEXT that names a file is taken as data text, with a hint to give the file on standard input.
TEST(FileAsText, HintsAtStandardInput)
{
    const std::string name = "test_cli_a_file.txt";
    std::ofstream(name) << "01 A0 7C FF 02\n";
    const TRun run = RunTool({name});
    std::remove(name.c_str());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, Malformed + "character 1: 't' is neither a hex digit nor a separator" +
                           SpacedEnd +
                           "sumvane-lrc: hint: 'test_cli_a_file.txt' is a file; to check what it "
                           "holds, give it on standard input: sumvane-lrc < test_cli_a_file.txt\n");
}

// A stream whose every flush fails: a full device, or a pipe nobody reads.
std::FILE* UnwritableStream()
{
#ifdef _WIN32
    int ends[2];
    if (_pipe(ends, 4096, _O_BINARY) != 0)
        return nullptr;
    _close(ends[0]);
    return _fdopen(ends[1], "wb");
#else
    return std::fopen("/dev/full", "wb");
#endif
}

struct TUnwritableCase
{
    const char* name;
    std::vector<std::string> args;
    std::string err;
};

void PrintTo(const TUnwritableCase& row, std::ostream* os)
{
    *os << row.name;
}

class AnswerThatCannotBeWritten : public testing::TestWithParam<TUnwritableCase>
{
};

TEST_P(AnswerThatCannotBeWritten, IsAFailure)
{
    const TUnwritableCase& row = GetParam();
    std::FILE* out = UnwritableStream();
    ASSERT_NE(out, nullptr);
    const TRun run = RunTool(row.args, {}, out);
    std::fclose(out);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, row.err);
}

const std::string CannotWrite = "sumvane-lrc: cannot write the result\n";

INSTANTIATE_TEST_SUITE_P(
    Cli, AnswerThatCannotBeWritten,
    testing::Values(TUnwritableCase{"the_report", {"01"}, CannotWrite},
                    TUnwritableCase{"one_field", {"--field=hex", "01"}, CannotWrite},
                    TUnwritableCase{"a_passing_check", {"--check", "05 FB"}, CannotWrite},
                    TUnwritableCase{"the_help", {"--help"}, ""},
                    TUnwritableCase{"the_version", {"--version"}, ""}),
    [](const testing::TestParamInfo<TUnwritableCase>& info) {
        return std::string(info.param.name);
    });

// "01 A0 7C FF 02 " 69906 times, then a closing pair 0D: 1048592 characters, just more than the
// tool's least block for standard input holds, and 349531 bytes that sum to 69906 * 0x21E + 0x0D,
// whose LRC is D7.
TEST(LargeInput, StandardInputBeyondTheLeastBlockIsReadWhole)
{
    const std::string text = Repeated("01 A0 7C FF 02 ", 69906) + "0D";
    ASSERT_GT(text.size(), TInputBytes::LeastBlock);

    const TRun run = RunTool({"--field", "hex"}, text);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "D7\n");
    EXPECT_EQ(run.err, "");

    const TRun count = RunTool({"--field", "bytes"}, text);
    EXPECT_EQ(count.status, 0);
    EXPECT_EQ(count.out, "349531\n");
    EXPECT_EQ(count.err, "");

    const TRun bad = RunTool({}, text + 'G');
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, Malformed + "character 1048593: 'G' is neither a hex digit nor a separator" +
                           SpacedEnd);
}

struct TMarkCase
{
    const char* name;
    std::string raw;
    std::string decoded; // the characters, each error as <its name>
};

// What a port that marks its errors in line delivers, read whole and cut anywhere into two reads.
TEST(MarkedInput, TurnsMarksIntoErrorsAndKeepsEveryOtherByte)
{
    using namespace std::string_literals;
    const TMarkCase rows[] = {
        {"plain", ":01FF\r\n", ":01FF\r\n"},
        {"a_byte_FF_doubled",
         "01\xff\xff"s
         "02",
         "01\xff"s
         "02"},
        {"a_parity_error_drops_its_character",
         ":0\xff\x00"s
         "11FF",
         ":0<parity-or-framing>1FF"},
        {"a_break",
         ":01\xff\x00\x00"s
         ":01FF",
         ":01<break>:01FF"},
        {"marks_in_a_row", "\xff\x00\x00\xff\x00X\xff\xff"s, "<break><parity-or-framing>\xff"},
        {"FF_before_another_byte_is_no_mark",
         "\xff"
         "A\xff"s,
         "\xff"
         "A"},
    };
    for (const TMarkCase& row : rows) {
        for (std::size_t cut = 0; cut <= row.raw.size(); ++cut) {
            TMarkedInput marks(TPortFault::ParityOrFraming);
            std::string decoded;
            const auto onBytes = [&](std::string_view bytes) { decoded += bytes; };
            const auto onFault = [&](TPortFault fault) {
                decoded.append("<").append(PortFaultName(fault)).append(">");
            };
            marks.Decode(std::string_view(row.raw).substr(0, cut), onBytes, onFault);
            marks.Decode(std::string_view(row.raw).substr(cut), onBytes, onFault);
            EXPECT_EQ(decoded, row.decoded) << row.name << ", cut at " << cut;
        }
    }
}

// What a port that marks its errors in line (PARMRK) reads, a read at a time, through the
// decoding of its marks into the report of a live line: FF FF is the byte FF, FF 00 and a
// character a damaged character, FF 00 00 a break, and a mark may be cut between two reads.
struct TMarkedCase
{
    const char* name;
    TPortFault marks; // what FF 00 and a character stands for on this port
    bool json;
    std::vector<std::string> reads;
    std::string out;
    std::string err;
};

void PrintTo(const TMarkedCase& row, std::ostream* os)
{
    *os << row.name;
}

class TGatheredReport : public TReportSink
{
public:
    void Error(std::string_view line) override { Err += line; }
    std::string Err;
};

class MarkedPortInput : public testing::TestWithParam<TMarkedCase>
{
};

TEST_P(MarkedPortInput, ReportsTheCharactersAndTheErrorsInTheirOrder)
{
    const TMarkedCase& row = GetParam();
    TReportOptions options;
    options.format = TFrameFormat::ModbusAscii;
    options.check = true;
    options.json = row.json;
    TGatheredReport report;
    TLineChecker checker(options, report, LiveLineLimit, true);
    TMarkedInput marks(row.marks);
    for (const std::string& read : row.reads)
        marks.Decode(
            read, [&](std::string_view bytes) { checker.Push(bytes); },
            [&](TPortFault fault) { checker.Fault(fault); });
    checker.End();
    EXPECT_EQ(report.Text(), row.out);
    EXPECT_EQ(report.Err, row.err);
}

const std::string Good = ":1103006B00037E\r\n";
const std::string OneGoodOnePortError =
    "sumvane-lrc: 2 frames: 1 ok, 0 wrong LRC, 0 malformed, 1 port error\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cli, MarkedPortInput, testing::Values(
    TMarkedCase{"ff_ff_is_the_byte_ff", TPortFault::ParityOrFraming, false,
                {":11\xFF\xFF" "03\r\n", Good}, "1: malformed at byte 4: invalid UTF-8\n2: ok\n",
                "sumvane-lrc: 2 frames: 1 ok, 0 wrong LRC, 1 malformed, 0 port errors\n"},
    TMarkedCase{"ff_ff_cut_between_reads", TPortFault::ParityOrFraming, false,
                {":11\xFF", "\xFF" "03\r\n"}, "1: malformed at byte 4: invalid UTF-8\n",
                "sumvane-lrc: 1 frame: 0 ok, 0 wrong LRC, 1 malformed, 0 port errors\n"},
    TMarkedCase{"damaged_character_spoils_its_line", TPortFault::ParityOrFraming, false,
                {std::string(":1103\xFF") + '\0' + "A006B00037E\r\n" + Good},
                "1: port error at column 6: a parity or framing error\n2: ok\n",
                OneGoodOnePortError},
    TMarkedCase{"mark_cut_byte_by_byte", TPortFault::Framing, false,
                {":11", "\xFF", std::string(1, '\0'), "Z", "03\r\n", Good},
                "1: port error at column 4: a framing error\n2: ok\n", OneGoodOnePortError},
    TMarkedCase{"damaged_character_between_lines", TPortFault::Parity, false,
                {Good, std::string("\xFF") + '\0' + "Z", Good},
                "1: ok\n2: port error: a parity error\n3: ok\n",
                "sumvane-lrc: 3 frames: 2 ok, 0 wrong LRC, 0 malformed, 1 port error\n"},
    TMarkedCase{"break_between_lines", TPortFault::ParityOrFraming, false,
                {Good + "\xFF" + std::string(2, '\0')}, "1: ok\n2: port error: a break\n",
                OneGoodOnePortError},
    TMarkedCase{"damaged_character_in_json", TPortFault::ParityOrFraming, true,
                {std::string(":1103\xFF") + '\0' + "A006B00037E\r\n" + Good},
                "{\"line\":1,\"valid\":false,\"port_error\":\"parity-or-framing\","
                "\"error\":\"a parity or framing error\",\"column\":6}\n"
                "{\"line\":2,\"valid\":true,\"hex\":\"00\",\"decimal\":0,\"octal\":\"0\","
                "\"binary\":\"0000 0000\",\"bytes\":7,\"check\":\"ok\",\"last\":\"7E\","
                "\"expected\":\"7E\"}\n"
                "{\"summary\":true,\"frames\":2,\"ok\":1,\"wrong_lrc\":0,\"malformed\":0,"
                "\"port_errors\":1}\n",
                ""}),
    [](const testing::TestParamInfo<TMarkedCase>& info) { return std::string(info.param.name); });
// clang-format on

// The two ends of an operating system's pipe, as descriptors.
struct TPipe
{
    int read = -1;
    int write = -1;
};

bool OpenPipe(TPipe& pipe)
{
    int ends[2];
#ifdef _WIN32
    if (_pipe(ends, 1 << 16, _O_BINARY) != 0)
        return false;
#else
    if (::pipe(ends) != 0)
        return false;
#endif
    pipe = {ends[0], ends[1]};
    return true;
}

bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
#ifdef _WIN32
        const int wrote =
            _write(fd, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
#else
        const auto wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
#endif
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

int ReadSome(int fd, char* buffer, unsigned room)
{
#ifdef _WIN32
    return _read(fd, buffer, room);
#else
    return static_cast<int>(::read(fd, buffer, room));
#endif
}

void CloseEnd(int fd)
{
#ifdef _WIN32
    _close(fd);
#else
    ::close(fd);
#endif
}

// What a pipe's reader has received so far, awaited with a deadline.
class TArrivals
{
public:
    void Add(const char* bytes, std::size_t count)
    {
        const std::lock_guard lock(m_mutex);
        m_text.append(bytes, count);
        m_changed.notify_all();
    }
    void End()
    {
        const std::lock_guard lock(m_mutex);
        m_ended = true;
        m_changed.notify_all();
    }
    // Waits until `size` bytes have come, or the stream has ended, or a minute has passed.
    std::string AwaitSize(std::size_t size)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::minutes(1),
                           [&] { return m_ended || m_text.size() >= size; });
        return m_text;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_text;
    bool m_ended = false;
};

struct TLiveCase
{
    const char* name;
    std::vector<std::string> args;
    // Each piece written once the answers to the one before have come, with its own answers.
    std::vector<std::pair<std::string, std::string>> pieces;
    std::string outAtEnd; // what comes once the input has ended
    int status;
    std::string err;
};

void PrintTo(const TLiveCase& row, std::ostream* os)
{
    *os << row.name;
}

class LiveLines : public testing::TestWithParam<TLiveCase>
{
};

// Standard input that is a pipe, written a piece at a time as a live log is: each line is
// answered before the next piece is written, without waiting for a full buffer or the end.
TEST_P(LiveLines, EachLineIsAnsweredAsItArrives)
{
    const TLiveCase& row = GetParam();
    TPipe in, out;
    ASSERT_TRUE(OpenPipe(in));
    ASSERT_TRUE(OpenPipe(out));
    TTempStream err;
    ASSERT_NE(err.Get(), nullptr);
#ifdef _WIN32
    std::FILE* inStream = _fdopen(in.read, "rb");
    std::FILE* outStream = _fdopen(out.write, "wb");
#else
    std::FILE* inStream = fdopen(in.read, "rb");
    std::FILE* outStream = fdopen(out.write, "wb");
#endif
    ASSERT_NE(inStream, nullptr);
    ASSERT_NE(outStream, nullptr);

    TArrivals arrivals;
    std::thread reader([&] {
        char piece[4096];
        int got = 0;
        while ((got = ReadSome(out.read, piece, sizeof piece)) > 0)
            arrivals.Add(piece, static_cast<std::size_t>(got));
        arrivals.End();
    });
    int status = -1;
    std::thread tool([&] {
        status = RunLrcTool(row.args, inStream, outStream, err.Get());
        std::fclose(outStream);
    });

    std::string awaited;
    for (const auto& [piece, answers] : row.pieces) {
        if (!WriteAll(in.write, piece)) {
            ADD_FAILURE() << "the input could not be written";
            break;
        }
        awaited += answers;
        const std::string got = arrivals.AwaitSize(awaited.size());
        if (got != awaited) {
            ADD_FAILURE() << "after " << testing::PrintToString(piece) << " came "
                          << testing::PrintToString(got) << ", not "
                          << testing::PrintToString(awaited);
            break;
        }
    }
    // The input ends: the last line and the tally, and the tool returns.
    CloseEnd(in.write);
    tool.join();
    reader.join();
    std::fclose(inStream);
    CloseEnd(out.read);
    EXPECT_EQ(arrivals.AwaitSize(0), awaited + row.outAtEnd);
    EXPECT_EQ(status, row.status);
    EXPECT_EQ(err.Contents(), row.err);
}

const std::string Wrong = ":1103006B00037F\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cli, LiveLines,
    testing::Values(TLiveCase{"modbus_frames_one_by_one",
                              {"--lines", "--check", "--format", "modbus-ascii"},
                              {{Good, "1: ok\n"},
                               {Wrong, "2: LRC mismatch: ends with 7F, should end with 7E\n"},
                               {Good, "3: ok\n"}},
                              "",
                              1,
                              "sumvane-lrc: 3 frames: 2 ok, 1 wrong LRC, 0 malformed\n"},
                    // A line cut between two pieces is answered once whole; the last, without its
                    // line end, when the input ends.
                    TLiveCase{"lines_cut_between_pieces",
                              {"--lines"},
                              {{"05 FB\n01 0", "1: 00\n"}, {"2 03\n05", "2: FA\n"}},
                              "3: FB\n",
                              0,
                              "sumvane-lrc: 3 frames: 3 ok, 0 malformed\n"},
                    TLiveCase{
                        "a_malformed_line_then_a_frame",
                        {"--lines", "--check"},
                        {{"0G\n",
                          "1: malformed at column 2: 'G' is neither a hex digit nor a separator\n"},
                         {"05 FB\n", "2: ok\n"}},
                        "",
                        1,
                        "sumvane-lrc: 2 frames: 1 ok, 0 wrong LRC, 1 malformed\n"}),
    [](const testing::TestParamInfo<TLiveCase>& info) { return std::string(info.param.name); });

} // namespace
