#pragma once

#include "engine/Frame.h"
#include "engine/OtherChecks.h"
#include "report/ReportOptions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The window's own word for malformed text, so both tools say the same.
inline constexpr std::string_view MalformedWords = "数据格式不正确 (malformed data)";

// Where a flaw is, every count from 1: the byte, the character, and its line and column
// (a CR LF is one line break). Everything before a flaw is well-formed UTF-8.
struct TPlace
{
    std::size_t Byte = 1;
    std::size_t Character = 1;
    std::size_t Line = 1;
    std::size_t Column = 1;
};

TPlace PlaceOf(std::string_view text, const TFlaw& flaw);

// The place for a reader: a byte for bytes that are not UTF-8; else a column within a line (a
// frame per line), a line and column (text with line breaks before the flaw), or a character.
std::string PlaceText(const TPlace& place, const TFlaw& flaw, bool oneLine);

// What is wrong at the flaw, in the words of the format.
std::string FlawText(const TFlaw& flaw, TFrameFormat format);

// What the format would have been, for the parenthesis after the flaw. With --append, a Modbus
// ASCII frame is given without its colon and LRC.
std::string_view ExpectedText(TFrameFormat format, bool append);

// A byte in two uppercase hex digits.
std::string HexOf(int byte);

// The byte a frame that fails its check should end with: the byte sum with the last byte is
// -Lrc, so without it the frame sums to -(Lrc + last).
int ExpectedLastByte(const TFrame& frame);

std::string FieldText(const TLrcResult& result, TField field);

// The frame with its LRC appended, in the format it was read in, with the line end that ends
// it (CR LF for a Modbus ASCII frame, as on the wire). `text` is what was read and found
// well-formed, `bytes` the bytes its reader handed on, `lrc` its LRC; an array keeps the bracket
// it came in.
std::string AppendedFrame(std::string_view text, TFrameFormat format,
                          std::vector<std::uint8_t> bytes, int lrc);

// The checks a frame whose last byte is not its LRC does match, with `bytes` its bytes and
// `text` what was read.
std::vector<TOtherCheck> OtherChecksOf(std::string_view text, TFrameFormat format,
                                       const std::vector<std::uint8_t>& bytes);

// " (7F is the XOR of the other bytes, a BCC)", or nothing where no check matches.
std::string OtherChecksText(const std::vector<TOtherCheck>& checks, int last);

// The name of a check in JSON: "sum", "ones-complement", "xor", "character-lrc",
// "character-lrc-with-colon".
std::string_view OtherCheckName(TOtherCheck check);

// What a serial port reports instead of a character, or of many.
enum class TPortFault
{
    Parity,
    Framing,
    ParityOrFraming, // a port that marks the character but does not say which
    Overrun,         // characters lost because they were not read in time
    Break,
};

// "a parity error", ...
std::string_view PortFaultText(TPortFault fault);
// "parity", "framing", "parity-or-framing", "overrun", "break", for JSON.
std::string_view PortFaultName(TPortFault fault);

// What is wrong with a line longer than a checker keeps: "a line of more than 65536 bytes;
// the rest of it is dropped".
std::string OverlongText(std::size_t limit);

// The frames of a log, counted by what they came to.
struct TTally
{
    std::size_t Frames = 0;
    std::size_t Good = 0;
    std::size_t WrongLrc = 0;
    std::size_t Malformed = 0;
    std::size_t PortErrors = 0; // lines a port error fell in, and errors between lines
};

// "3 frames: 1 ok, 1 wrong LRC, 1 malformed" (the wrong LRCs only when they were checked, the
// port errors only when the log comes from a port).
std::string TallyText(const TTally& tally, bool check, bool port = false);
