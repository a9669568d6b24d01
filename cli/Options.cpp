#include "cli/Options.h"

#include <algorithm>
#include <tuple>

const std::string_view Usage =
    "Usage: sumvane-lrc [OPTIONS] [TEXT]\n"
    "Prints the LRC check byte of hexadecimal data text such as \"01 A0 7C FF 02\".\n"
    "Without TEXT, or with TEXT \"-\", the data text is the whole of standard input, read as\n"
    "UTF-8.\n"
    "\n"
    "Options:\n"
    "  --format NAME  how the bytes are written: spaced (the default, \"11 03 00 6B\"),\n"
    "                 packed (\"1103006B\"), modbus-ascii (\":1103006B00037E\", then CR LF),\n"
    "                 c-array (\"0x11, 0x03, 0x00, 0x6B\", perhaps in {} or []) or\n"
    "                 colon (\"11:03:00:6B\")\n"
    "  --lines        one frame a line: check each line on its own and report each\n"
    "  --field NAME   print only one value; NAME is hex, decimal, octal, binary or bytes\n"
    "  --check        the data is a frame that ends with its LRC: succeed when it checks\n"
    "  --append       print the frame with its LRC appended, in its format; for modbus-ascii\n"
    "                 give the address, function and data without ':' and LRC\n"
    "  --json         print one JSON object (with --lines, one a line and a summary last)\n"
    "  --status       print nothing: the exit status is the answer\n"
    "  --quiet        with --lines: print only the frames that fail, and the tally\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the version and exit\n"
    "\n"
    "Examples:\n"
    "  sumvane-lrc --format modbus-ascii --lines --check < capture.txt\n"
    "  sumvane-lrc --append \"11 03 00 6B 00 03\"             prints 11 03 00 6B 00 03 7E\n"
    "  sumvane-lrc --format modbus-ascii --append 1103006B0003  prints :1103006B00037E\n"
    "  sumvane-lrc --format c-array --field hex \"{0x11, 0x03}\"  prints EC\n"
    "  sumvane-lrc --json \"01 A0 7C FF 02\"\n"
    "  sumvane-lrc --status --check \"05 FB\" && echo ok\n"
    "  sumvane-lrc --lines --check --quiet < log.txt\n"
    "\n"
    "Exit status: 0 valid text (with --check: the LRC checks; with --lines: every frame is\n"
    "good), 1 malformed text (with --check: also a wrong LRC; with --lines: any bad frame),\n"
    "2 bad command line or input that cannot be read.\n";

namespace {

constexpr std::array<std::pair<std::string_view, TField>, 5> FieldNames{{
    {"hex", TField::Hex},
    {"decimal", TField::Decimal},
    {"octal", TField::Octal},
    {"binary", TField::Binary},
    {"bytes", TField::Bytes},
}};

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
    const auto found = std::find_if(names.begin(), names.end(),
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

} // namespace

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
        } else if (!optionsEnded && arg == "--append") {
            options.append = true;
        } else if (!optionsEnded && arg == "--json") {
            options.json = true;
        } else if (!optionsEnded && arg == "--status") {
            options.status = true;
        } else if (!optionsEnded && arg == "--quiet") {
            options.quiet = true;
        } else if (!optionsEnded && IsOption(arg, "--field")) {
            problem = ParseNamed(args, i, "--field", FieldNames,
                                 "hex, decimal, octal, binary or bytes", options.field);
        } else if (!optionsEnded && IsOption(arg, "--format")) {
            problem = ParseNamed(args, i, "--format", FormatNames,
                                 "spaced, packed, modbus-ascii, c-array or colon", options.format);
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
    // Each pair asks for two answers where one is printed.
    const std::array<std::tuple<bool, bool, std::string_view>, 6> conflicts{{
        {options.check, options.field.has_value(), "--check and --field"},
        {options.append, options.check, "--append and --check"},
        {options.append, options.field.has_value(), "--append and --field"},
        {options.json, options.field.has_value(), "--json and --field"},
        {options.status, options.json, "--status and --json"},
        {options.status, options.quiet, "--status and --quiet"},
    }};
    for (const auto& [one, other, names] : conflicts) {
        if (one && other)
            return std::string(names) + " cannot be combined";
    }
    if (options.quiet && !options.lines)
        return "--quiet needs --lines; for one text, --status prints nothing";
    return std::nullopt;
}
