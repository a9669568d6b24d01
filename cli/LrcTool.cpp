#include "cli/LrcTool.h"

#include "cli/Platform.h"
#include "engine/Lrc.h"
#include "engine/Render.h"
#include "engine/Utf8.h"
#include "packaging/Product.h"

#include <algorithm>
#include <array>
#include <exception>
#include <optional>
#include <string_view>

namespace {

constexpr std::string_view Usage =
    "Usage: sumvane-lrc [OPTIONS] [TEXT]\n"
    "Prints the LRC check byte of hexadecimal data text such as \"01 A0 7C FF 02\".\n"
    "Without TEXT the data text is the whole of standard input, read as UTF-8.\n"
    "\n"
    "Options:\n"
    "  --field NAME  print only one value; NAME is hex, decimal, octal, binary or bytes\n"
    "  --check       TEXT is a frame that ends with its LRC: succeed when it checks\n"
    "  -h, --help    print this help and exit\n"
    "  --version     print the version and exit\n"
    "\n"
    "Exit status: 0 valid text (with --check: the LRC checks), 1 malformed text\n"
    "(with --check: also a wrong LRC), 2 bad command line or input that cannot be read.\n";

// The window's own word for malformed text, so both tools say the same.
constexpr std::string_view MalformedMessage =
    "sumvane-lrc: 数据格式不正确 (malformed data): expected pairs of hex digits, "
    "each but the last followed by one blank, tab or line break\n";

enum class TField { All, Hex, Decimal, Octal, Binary, Bytes };

constexpr std::array<std::pair<std::string_view, TField>, 5> FieldNames{{
    {"hex", TField::Hex},
    {"decimal", TField::Decimal},
    {"octal", TField::Octal},
    {"binary", TField::Binary},
    {"bytes", TField::Bytes},
}};

struct TOptions
{
    TField field = TField::All;
    bool check = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> text;
};

void Write(std::FILE* stream, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

void WriteText(std::FILE* stream, std::u16string_view text)
{
    Write(stream, ToUtf8(text));
}

// Parses the arguments; on a usage error returns the message to show above the usage text.
std::optional<std::string> ParseArguments(const std::vector<std::string>& args, TOptions& options)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            options.help = true;
        } else if (!optionsEnded && arg == "--version") {
            options.version = true;
        } else if (!optionsEnded && arg == "--check") {
            options.check = true;
        } else if (!optionsEnded && (arg == "--field" || arg.starts_with("--field="))) {
            std::string_view name;
            if (arg == "--field") {
                if (++i == args.size())
                    return "--field needs a NAME";
                name = args[i];
            } else {
                name = arg.substr(std::string_view("--field=").size());
            }
            const auto* found = std::find_if(FieldNames.begin(), FieldNames.end(),
                                             [&](const auto& entry) { return entry.first == name; });
            if (found == FieldNames.end())
                return "unknown field '" + std::string(name) +
                       "' (expected hex, decimal, octal, binary or bytes)";
            options.field = found->second;
        } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
            return "unknown option '" + std::string(arg) + "'";
        } else if (options.text) {
            return "more than one TEXT given; quote the data text as one argument";
        } else {
            options.text = std::string(arg);
        }
    }
    if (options.check && options.field != TField::All)
        return "--check and --field cannot be combined";
    return std::nullopt;
}

// The value of the last byte of a validated text: its last two hexadecimal digits.
int LastByte(std::string_view validated)
{
    const auto isHex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    const auto digit = [](char c) {
        return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    };
    std::size_t end = validated.size();
    while (end > 0 && !isHex(validated[end - 1]))
        --end;
    return digit(validated[end - 2]) * 16 + digit(validated[end - 1]);
}

int Report(const TOptions& options, std::string_view text, std::FILE* out, std::FILE* err)
{
    const TLrcResult result = CalculateLrcUtf8(text);
    if (!result.Valid) {
        Write(err, MalformedMessage);
        return ExitMalformed;
    }

    if (options.check) {
        if (result.Lrc == 0) {
            Write(out, "check: ok\n");
            return ExitOk;
        }
        const auto hexOf = [&](int byte) {
            TLrcResult shown = result;
            shown.Lrc = byte;
            return ToUtf8(RenderLrc(shown).Hex);
        };
        // The byte sum with the last byte is -Lrc, so without it the frame sums to -(Lrc + last).
        const int last = LastByte(text);
        Write(err, "sumvane-lrc: LRC mismatch: the frame ends with " + hexOf(last) +
                       ", it should end with " + hexOf((result.Lrc + last) % 256) + "\n");
        return ExitMalformed;
    }

    const TLrcTexts texts = RenderLrc(result);
    const std::string count = std::to_string(result.ByteCount);
    switch (options.field) {
    case TField::All:
        Write(out, "hex: " + ToUtf8(texts.Hex) + "\ndecimal: " + ToUtf8(texts.Decimal) +
                       "\noctal: " + ToUtf8(texts.Octal) + "\nbinary: " + ToUtf8(texts.Binary) +
                       "\nbytes: " + count + "\n");
        break;
    case TField::Hex: WriteText(out, texts.Hex + u'\n'); break;
    case TField::Decimal: WriteText(out, texts.Decimal + u'\n'); break;
    case TField::Octal: WriteText(out, texts.Octal + u'\n'); break;
    case TField::Binary: WriteText(out, texts.Binary + u'\n'); break;
    case TField::Bytes: Write(out, count + '\n'); break;
    }
    return ExitOk;
}

} // namespace

int RunLrcTool(const std::vector<std::string>& args, std::FILE* in, std::FILE* out,
               std::FILE* err)
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
        TInputBytes input;
        if (!options.text && !input.ReadAll(in)) {
            Write(err, "sumvane-lrc: cannot read standard input\n");
            return ExitUsage;
        }
        status = Report(options, options.text ? std::string_view(*options.text) : input.View(),
                        out, err);
    } catch (const std::exception& failure) {
        Write(err, std::string("sumvane-lrc: ") + failure.what() + "\n");
        return ExitUsage;
    }
    // A result that never reached its reader must not look like success.
    if (std::fflush(out) != 0 || std::ferror(out)) {
        Write(err, "sumvane-lrc: cannot write the result\n");
        return ExitUsage;
    }
    return status;
}
