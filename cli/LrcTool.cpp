#include "cli/LrcTool.h"

#include "cli/Platform.h"
#include "engine/Frame.h"
#include "engine/Lrc.h"
#include "engine/Render.h"
#include "engine/Utf8.h"
#include "packaging/Product.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <exception>
#include <optional>
#include <string_view>

namespace {

constexpr std::string_view Usage =
    "Usage: sumvane-lrc [OPTIONS] [TEXT]\n"
    "Prints the LRC check byte of hexadecimal data text such as \"01 A0 7C FF 02\".\n"
    "Without TEXT, or with TEXT \"-\", the data text is the whole of standard input, read as\n"
    "UTF-8.\n"
    "\n"
    "Options:\n"
    "  --format NAME  how the bytes are written: spaced (the default, \"11 03 00 6B\"),\n"
    "                 packed (\"1103006B\") or modbus-ascii (\":1103006B00037E\", then CR LF)\n"
    "  --lines        one frame a line: check each line on its own and report each\n"
    "  --field NAME   print only one value; NAME is hex, decimal, octal, binary or bytes\n"
    "  --check        the data is a frame that ends with its LRC: succeed when it checks\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the version and exit\n"
    "\n"
    "Example: sumvane-lrc --format modbus-ascii --lines --check < capture.txt\n"
    "\n"
    "Exit status: 0 valid text (with --check: the LRC checks; with --lines: every frame is\n"
    "good), 1 malformed text (with --check: also a wrong LRC; with --lines: any bad frame),\n"
    "2 bad command line or input that cannot be read.\n";

// The window's own word for malformed text, so both tools say the same.
constexpr std::string_view MalformedWords = "数据格式不正确 (malformed data)";

enum class TField
{
    All,
    Hex,
    Decimal,
    Octal,
    Binary,
    Bytes
};

constexpr std::array<std::pair<std::string_view, TField>, 5> FieldNames{{
    {"hex", TField::Hex},
    {"decimal", TField::Decimal},
    {"octal", TField::Octal},
    {"binary", TField::Binary},
    {"bytes", TField::Bytes},
}};

constexpr std::array<std::pair<std::string_view, TFrameFormat>, 3> FormatNames{{
    {"spaced", TFrameFormat::Spaced},
    {"packed", TFrameFormat::Packed},
    {"modbus-ascii", TFrameFormat::ModbusAscii},
}};

struct TOptions
{
    std::optional<TField> field;
    std::optional<TFrameFormat> format;
    bool check = false;
    bool lines = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> text; // none: standard input
};

void Write(std::FILE* stream, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

// The value of an option that takes one ("--name VALUE" or "--name=VALUE"), looked up in its
// table; on a usage error, the message.
template <typename Value, std::size_t Size>
std::optional<std::string>
ParseNamed(const std::vector<std::string>& args, std::size_t& i, std::string_view option,
           const std::array<std::pair<std::string_view, Value>, Size>& names,
           std::string_view expected, std::optional<Value>& value)
{
    const std::string_view arg = args[i];
    std::string_view name;
    if (arg == option) {
        if (++i == args.size())
            return std::string(option) + " needs a NAME";
        name = args[i];
    } else {
        name = arg.substr(option.size() + 1);
    }
    if (value)
        return std::string(option) + " given more than once";
    const auto* found = std::find_if(names.begin(), names.end(),
                                     [&](const auto& entry) { return entry.first == name; });
    if (found == names.end())
        return "unknown " + std::string(option.substr(2)) + " '" + std::string(name) +
               "' (expected " + std::string(expected) + ")";
    value = found->second;
    return std::nullopt;
}

bool IsOption(std::string_view arg, std::string_view option)
{
    return arg == option ||
           (arg.starts_with(option) && arg.size() > option.size() && arg[option.size()] == '=');
}

// Parses the arguments; on a usage error returns the message to show above the usage text.
std::optional<std::string> ParseArguments(const std::vector<std::string>& args, TOptions& options)
{
    bool optionsEnded = false;
    bool textGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        std::optional<std::string> problem;
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            options.help = true;
        } else if (!optionsEnded && arg == "--version") {
            options.version = true;
        } else if (!optionsEnded && arg == "--check") {
            options.check = true;
        } else if (!optionsEnded && arg == "--lines") {
            options.lines = true;
        } else if (!optionsEnded && IsOption(arg, "--field")) {
            problem = ParseNamed(args, i, "--field", FieldNames,
                                 "hex, decimal, octal, binary or bytes", options.field);
        } else if (!optionsEnded && IsOption(arg, "--format")) {
            problem = ParseNamed(args, i, "--format", FormatNames, "spaced, packed or modbus-ascii",
                                 options.format);
        } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
            problem = "unknown option '" + std::string(arg) + "'";
        } else if (textGiven) {
            problem = "more than one TEXT given; quote the data text as one argument";
        } else {
            textGiven = true;
            if (arg != "-") // the usual name of standard input
                options.text = std::string(arg);
        }
        if (problem)
            return problem;
    }
    if (options.check && options.field)
        return "--check and --field cannot be combined";
    return std::nullopt;
}

// The character as a reader can find it: 'G', a blank, U+3000.
std::string Shown(char32_t c)
{
    if (c == U' ')
        return "a blank";
    if (c == U'\t')
        return "a tab";
    if (c > 0x20 && c < 0x7F)
        return std::string("'") + static_cast<char>(c) + "'";
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    return code;
}

std::string FlawText(const TFlaw& flaw, TFrameFormat format)
{
    switch (flaw.Kind) {
    case TFlawKind::NoPairs:
        return "no pair of hex digits";
    case TFlawKind::NotHexDigit:
        return Shown(flaw.Character) + (format == TFrameFormat::Spaced
                                            ? " is neither a hex digit nor a separator"
                                            : " is not a hex digit");
    case TFlawKind::SingleDigit:
        return "a single hex digit; every byte is two";
    case TFlawKind::MissingSeparator:
        return "a third hex digit; pairs are separated by one blank";
    case TFlawKind::LeadingSeparator:
        return "a separator before the first pair";
    case TFlawKind::DoubleSeparator:
        return "two separators in a row";
    case TFlawKind::AfterLineEnd:
        return "text after the final line break";
    case TFlawKind::MissingColon:
        return "a Modbus ASCII frame starts with ':'";
    case TFlawKind::BadUtf8:
        return "invalid UTF-8";
    case TFlawKind::ByteOrderMark:
        return "a UTF-8 byte-order mark; save the text without it";
    case TFlawKind::Utf16:
        return "UTF-16 text; save it as UTF-8";
    }
    return "malformed";
}

// Where the flaw is, for a reader: a byte for bytes that are not UTF-8; else a column within a
// line (a frame per line), a line and column (text with line breaks before the flaw), or a
// character. Everything before a flaw is well-formed UTF-8.
std::string FlawPlace(std::string_view text, const TFlaw& flaw, bool oneLine)
{
    if (flaw.Kind == TFlawKind::BadUtf8)
        return "byte " + std::to_string(flaw.Byte + 1);
    std::size_t line = 1;
    std::size_t column = 1;
    std::size_t character = 1;
    for (std::size_t i = 0; i < flaw.Byte; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        ++character;
        ++column;
        const bool lineEnd =
            text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
        if (lineEnd && !oneLine)
            ++line, column = 1;
    }
    if (oneLine)
        return "column " + std::to_string(column);
    if (line > 1)
        return "line " + std::to_string(line) + ", column " + std::to_string(column);
    return "character " + std::to_string(character);
}

constexpr std::string_view ExpectedText(TFrameFormat format)
{
    switch (format) {
    case TFrameFormat::Spaced:
        return "expected pairs of hex digits, each but the last followed by one blank, tab or "
               "line break";
    case TFrameFormat::Packed:
        return "expected pairs of hex digits with nothing between them";
    case TFrameFormat::ModbusAscii:
        return "expected ':' and pairs of hex digits, perhaps ended by CR LF";
    }
    return {};
}

std::string HexOf(int byte)
{
    TLrcResult shown;
    shown.Valid = true;
    shown.Lrc = byte;
    return ToUtf8(RenderLrc(shown).Hex);
}

// The byte a frame that fails its check should end with: the byte sum with the last byte is
// -Lrc, so without it the frame sums to -(Lrc + last).
std::string Mismatch(const TFrame& frame, std::string_view should = "should")
{
    return "ends with " + HexOf(frame.LastByte) + ", " + std::string(should) + " end with " +
           HexOf((frame.Result.Lrc + frame.LastByte) % 256);
}

std::string FieldText(const TLrcResult& result, TField field)
{
    const TLrcTexts texts = RenderLrc(result);
    switch (field) {
    case TField::All:
        return "hex: " + ToUtf8(texts.Hex) + "\ndecimal: " + ToUtf8(texts.Decimal) +
               "\noctal: " + ToUtf8(texts.Octal) + "\nbinary: " + ToUtf8(texts.Binary) +
               "\nbytes: " + std::to_string(result.ByteCount);
    case TField::Hex:
        return ToUtf8(texts.Hex);
    case TField::Decimal:
        return ToUtf8(texts.Decimal);
    case TField::Octal:
        return ToUtf8(texts.Octal);
    case TField::Binary:
        return ToUtf8(texts.Binary);
    case TField::Bytes:
        return std::to_string(result.ByteCount);
    }
    return {};
}

int Report(const TOptions& options, std::string_view text, std::FILE* out, std::FILE* err)
{
    const TFrameFormat format = options.format.value_or(TFrameFormat::Spaced);
    const TFrameReader reader;
    const TFrame frame = reader.Read(text, format);
    if (frame.Flaw) {
        Write(err, "sumvane-lrc: " + std::string(MalformedWords) + " at " +
                       FlawPlace(text, *frame.Flaw, false) + ": " + FlawText(*frame.Flaw, format) +
                       " (" + std::string(ExpectedText(format)) + ")\n");
        // Frames copied from a serial monitor often come packed or with their colon.
        if (!options.format) {
            for (const auto& [name, other] : FormatNames) {
                if (other != format && !reader.Read(text, other).Flaw)
                    Write(err, "sumvane-lrc: hint: it is well-formed as --format " +
                                   std::string(name) + "\n");
            }
        }
        if (options.text && IsExistingFile(*options.text))
            Write(err, "sumvane-lrc: hint: '" + *options.text + "' is a file; to check what it " +
                           "holds, give it on standard input: sumvane-lrc < " + *options.text +
                           "\n");
        return ExitMalformed;
    }
    if (options.check) {
        if (frame.Result.Lrc == 0) {
            Write(out, "check: ok\n");
            return ExitOk;
        }
        Write(err, "sumvane-lrc: LRC mismatch: the frame " + Mismatch(frame, "it should") + "\n");
        return ExitMalformed;
    }
    Write(out, FieldText(frame.Result, options.field.value_or(TField::All)) + "\n");
    return ExitOk;
}

// Cuts a stream of text into lines at LF, CR LF or CR, however the chunks fall; the line end
// is not part of the line. Holds one line at a time.
class TLineSplitter
{
public:
    template <typename OnLine> void Feed(std::string_view chunk, OnLine onLine)
    {
        for (std::size_t at = 0; at < chunk.size();) {
            if (m_afterCr && chunk[at] == '\n') {
                m_afterCr = false;
                ++at;
                continue;
            }
            m_afterCr = false;
            const std::size_t end = chunk.find_first_of("\r\n", at);
            if (end == std::string_view::npos) {
                m_line.append(chunk.substr(at));
                return;
            }
            m_line.append(chunk.substr(at, end - at));
            onLine(std::string_view(m_line));
            m_line.clear();
            m_afterCr = chunk[end] == '\r';
            at = end + 1;
        }
    }

    // The last line, when the text does not end with a line end.
    template <typename OnLine> void Finish(OnLine onLine)
    {
        if (!m_line.empty())
            onLine(std::string_view(m_line));
        m_line.clear();
    }

private:
    std::string m_line;
    bool m_afterCr = false;
};

// A frame per line: one result line each on standard output, the tally on standard error.
int ReportLines(const TOptions& options, std::FILE* in, std::FILE* out, std::FILE* err)
{
    const TFrameFormat format = options.format.value_or(TFrameFormat::Spaced);
    const TField field = options.field.value_or(TField::Hex);
    const TFrameReader reader;
    std::size_t number = 0;
    std::size_t frames = 0, good = 0, wrongLrc = 0, malformed = 0;
    std::string result;
    const auto onLine = [&](std::string_view line) {
        ++number;
        if (line.empty())
            return;
        ++frames;
        const TFrame frame = reader.Read(line, format);
        result = std::to_string(number) + ": ";
        if (frame.Flaw) {
            ++malformed;
            result += "malformed at " + FlawPlace(line, *frame.Flaw, true) + ": " +
                      FlawText(*frame.Flaw, format);
        } else if (!options.check) {
            ++good;
            result += FieldText(frame.Result, field);
        } else if (frame.Result.Lrc == 0) {
            ++good;
            result += "ok";
        } else {
            ++wrongLrc;
            result += "LRC mismatch: " + Mismatch(frame);
        }
        result += '\n';
        Write(out, result);
    };

    TLineSplitter splitter;
    if (options.text) {
        splitter.Feed(*options.text, onLine);
    } else {
        std::vector<char> chunk(1 << 16);
        while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), in))
            splitter.Feed(std::string_view(chunk.data(), got), onLine);
        if (std::ferror(in)) {
            Write(err, "sumvane-lrc: cannot read standard input\n");
            return ExitUsage;
        }
    }
    splitter.Finish(onLine);

    std::string tally = "sumvane-lrc: " + std::to_string(frames) +
                        (frames == 1 ? " frame: " : " frames: ") + std::to_string(good) + " ok, ";
    if (options.check)
        tally += std::to_string(wrongLrc) + " wrong LRC, ";
    Write(err, tally + std::to_string(malformed) + " malformed\n");
    return good == frames ? ExitOk : ExitMalformed;
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
        Write(err, "sumvane-lrc: " + *problem + "\n\n");
        Write(err, Usage);
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
            TInputBytes input;
            if (!options.text && !input.ReadAll(in)) {
                Write(err, "sumvane-lrc: cannot read standard input\n");
                return ExitUsage;
            }
            status = Report(options, options.text ? std::string_view(*options.text) : input.View(),
                            out, err);
        }
    } catch (const std::exception& failure) {
        Write(err, std::string("sumvane-lrc: ") + failure.what() + "\n");
        return ExitUsage;
    }
    return status == ExitUsage ? status : FinishOutput(out, err, status);
}
