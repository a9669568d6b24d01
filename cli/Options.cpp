#include "cli/Options.h"

#include <algorithm>
#include <charconv>

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
    "  --timestamps   with --lines: begin each report with the time its line end arrived\n"
    "                 (ISO 8601, local time, to the millisecond)\n"
    "  --port DEVICE  read the frames from a serial port (/dev/ttyUSB0, COM3) as they arrive,\n"
    "                 until Ctrl+C; implies --lines\n"
    "  --baud N       the port's speed in bits per second (default 9600)\n"
    "  --data-bits N  the port's bits a character: 7 or 8\n"
    "  --parity NAME  the port's parity: none, even or odd\n"
    "  --stop-bits N  the port's stop bits: 1 or 2\n"
    "                 (defaults: 7, even, 1 with --format modbus-ascii, its own 7E1; else 8N1)\n"
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
    "  sumvane-lrc --port /dev/ttyUSB0 --format modbus-ascii --check --timestamps\n"
    "\n"
    "Exit status: 0 valid text (with --check: the LRC checks; with --lines: every frame is\n"
    "good), 1 malformed text (with --check: also a wrong LRC; with --lines: any bad frame),\n"
    "2 bad command line, input that cannot be read, or a port that cannot be opened or went\n"
    "away.\n";

namespace {

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

// The value of an option that takes one, as text; on a usage error, the message.
std::optional<std::string> ParseValue(const std::vector<std::string>& args, std::size_t& i,
                                      std::string_view option, std::string_view what,
                                      std::optional<std::string>& value)
{
    const std::string_view arg = args[i];
    if (arg == option) {
        if (++i == args.size())
            return std::string(option) + " needs " + std::string(what);
        value = args[i];
    } else {
        value = std::string(arg.substr(option.size() + 1));
    }
    return std::nullopt;
}

// The rates a serial port is set to; any other is most likely a typing error.
constexpr std::array<std::uint32_t, 30> Bauds{
    50,     75,     110,     134,     150,     200,     300,     600,     1200,    1800,
    2400,   4800,   9600,    19200,   38400,   57600,   115200,  230400,  460800,  500000,
    576000, 921600, 1000000, 1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000};

std::optional<std::string> ParseBaud(const std::string& text, std::optional<std::uint32_t>& baud)
{
    if (baud)
        return std::string("--baud given more than once");
    std::uint32_t rate = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rate);
    if (error != std::errc{} || end != text.data() + text.size() ||
        std::find(Bauds.begin(), Bauds.end(), rate) == Bauds.end())
        return "unknown baud '" + text + "' (expected a standard rate such as 9600 or 115200)";
    baud = rate;
    return std::nullopt;
}

} // namespace

TLineSettings TOptions::LineSettings() const
{
    const bool modbus = Format() == TFrameFormat::ModbusAscii;
    TLineSettings settings;
    settings.Baud = baud.value_or(9600);
    settings.DataBits = dataBits.value_or(modbus ? 7 : 8);
    settings.Parity = parity.value_or(modbus ? TParity::Even : TParity::None);
    settings.StopBits = stopBits.value_or(1);
    return settings;
}

std::optional<std::string> ParseArguments(const std::vector<std::string>& args, TOptions& options)
{
    bool optionsEnded = false;
    bool textGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        std::optional<std::string> problem;
        const std::string_view name = arg == "-h" ? "--help" : arg;
        const auto flag = std::find_if(Switches.begin(), Switches.end(),
                                       [&](const auto& entry) { return entry.first == name; });
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && flag != Switches.end()) {
            options.*flag->second = true;
        } else if (!optionsEnded && IsOption(arg, FieldOption)) {
            problem = ParseNamed(args, i, FieldOption, FieldNames,
                                 "hex, decimal, octal, binary or bytes", options.field);
        } else if (!optionsEnded && IsOption(arg, FormatOption)) {
            problem = ParseNamed(args, i, FormatOption, FormatNames,
                                 "spaced, packed, modbus-ascii, c-array or colon", options.format);
        } else if (!optionsEnded && IsOption(arg, PortOption)) {
            if (options.port)
                problem = "--port given more than once";
            else
                problem = ParseValue(args, i, PortOption, "a DEVICE", options.port);
        } else if (!optionsEnded && IsOption(arg, BaudOption)) {
            std::optional<std::string> rate;
            problem = ParseValue(args, i, BaudOption, "a rate", rate);
            if (!problem)
                problem = ParseBaud(*rate, options.baud);
        } else if (!optionsEnded && IsOption(arg, DataBitsOption)) {
            problem =
                ParseNamed(args, i, DataBitsOption, DataBitsNames, "7 or 8", options.dataBits);
        } else if (!optionsEnded && IsOption(arg, ParityOption)) {
            problem =
                ParseNamed(args, i, ParityOption, ParityNames, "none, even or odd", options.parity);
        } else if (!optionsEnded && IsOption(arg, StopBitsOption)) {
            problem =
                ParseNamed(args, i, StopBitsOption, StopBitsNames, "1 or 2", options.stopBits);
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
    if (options.port) {
        if (options.text)
            return std::string("--port reads its frames from the port; give no TEXT");
        options.lines = true;
    } else {
        const std::array<std::pair<bool, std::string_view>, 4> settings{{
            {options.baud.has_value(), "--baud"},
            {options.dataBits.has_value(), "--data-bits"},
            {options.parity.has_value(), "--parity"},
            {options.stopBits.has_value(), "--stop-bits"},
        }};
        for (const auto& [given, name] : settings) {
            if (given)
                return std::string(name) + " sets up a port: give it with --port DEVICE";
        }
    }
    if (auto conflict = ConflictOf(options))
        return conflict;
    if (options.quiet && !options.lines)
        return "--quiet needs --lines; for one text, --status prints nothing";
    if (options.timestamps && !options.lines)
        return std::string("--timestamps needs --lines or --port");
    return std::nullopt;
}
