#include "report/Json.h"

#include "engine/Render.h"
#include "engine/Utf8.h"

#include <nlohmann/json.hpp>

namespace {

std::string Line(const nlohmann::ordered_json& object)
{
    // Every string put in comes from the tool's own texts, but a replacement character is
    // better than an exception should a byte of the input ever reach one.
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

nlohmann::ordered_json Begun(std::string_view time)
{
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    if (!time.empty())
        object["time"] = time;
    return object;
}

} // namespace

std::string JsonFrame(const TReportOptions& options, std::string_view text, const TFrame& frame,
                      const std::vector<std::uint8_t>& bytes, std::optional<std::size_t> line,
                      const std::vector<std::string_view>& wellFormedAs,
                      const std::vector<TOtherCheck>& matches, std::string_view time)
{
    nlohmann::ordered_json object = Begun(time);
    if (line)
        object["line"] = *line;
    object["valid"] = !frame.Flaw;
    if (frame.Flaw) {
        const TPlace place = PlaceOf(text, *frame.Flaw);
        object["flaw"] = FlawText(*frame.Flaw, options.Format());
        object["position"] = place.Character;
        // In a log the flaw's line is the frame's, already given.
        object["line"] = line.value_or(place.Line);
        object["column"] = place.Column;
        object["byte"] = place.Byte;
        if (!wellFormedAs.empty())
            object["well_formed_as"] = wellFormedAs;
        return Line(object);
    }
    const TLrcTexts texts = RenderLrc(frame.Result);
    object["hex"] = ToUtf8(texts.Hex);
    object["decimal"] = frame.Result.Lrc;
    object["octal"] = ToUtf8(texts.Octal);
    object["binary"] = ToUtf8(texts.Binary);
    object["bytes"] = frame.Result.ByteCount;
    if (options.check) {
        object["check"] = frame.Result.Lrc == 0 ? "ok" : "mismatch";
        object["last"] = HexOf(frame.LastByte);
        object["expected"] = HexOf(ExpectedLastByte(frame));
        if (!matches.empty()) {
            nlohmann::ordered_json names = nlohmann::ordered_json::array();
            for (const TOtherCheck check : matches)
                names.push_back(OtherCheckName(check));
            object["matches"] = names;
        }
    }
    if (options.append) {
        std::string built = AppendedFrame(text, options.Format(), bytes, frame.Result.Lrc);
        while (built.back() == '\n' || built.back() == '\r')
            built.pop_back();
        object["frame"] = built;
    }
    return Line(object);
}

std::string JsonPortError(std::size_t line, TPortFault fault, std::size_t column,
                          std::string_view time)
{
    nlohmann::ordered_json object = Begun(time);
    object["line"] = line;
    object["valid"] = false;
    object["port_error"] = PortFaultName(fault);
    object["error"] = PortFaultText(fault);
    object["column"] = column;
    return Line(object);
}

std::string JsonOverlong(std::size_t line, std::size_t limit, std::string_view time)
{
    nlohmann::ordered_json object = Begun(time);
    object["line"] = line;
    object["valid"] = false;
    object["flaw"] = OverlongText(limit);
    object["column"] = limit + 1;
    object["byte"] = limit + 1;
    return Line(object);
}

std::string JsonSummary(const TTally& tally, bool port)
{
    nlohmann::ordered_json object = {{"summary", true},
                                     {"frames", tally.Frames},
                                     {"ok", tally.Good},
                                     {"wrong_lrc", tally.WrongLrc},
                                     {"malformed", tally.Malformed}};
    if (port)
        object["port_errors"] = tally.PortErrors;
    return Line(object);
}
