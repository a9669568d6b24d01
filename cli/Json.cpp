#include "cli/Json.h"

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

} // namespace

std::string JsonFrame(const TOptions& options, std::string_view text, const TFrame& frame,
                      const std::vector<std::uint8_t>& bytes, std::optional<std::size_t> line,
                      const std::vector<std::string_view>& wellFormedAs)
{
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
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
    }
    if (options.append) {
        std::string built = AppendedFrame(text, options.Format(), bytes, frame.Result.Lrc);
        while (built.back() == '\n' || built.back() == '\r')
            built.pop_back();
        object["frame"] = built;
    }
    return Line(object);
}

std::string JsonSummary(const TTally& tally)
{
    return Line({{"summary", true},
                 {"frames", tally.Frames},
                 {"ok", tally.Good},
                 {"wrong_lrc", tally.WrongLrc},
                 {"malformed", tally.Malformed}});
}
