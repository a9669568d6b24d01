#include "tests/support/SharedRows.h"

#include "engine/Utf8.h"
#include "product/Product.h"
#include "tests/support/SharedRowsJson.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

namespace {

const nlohmann::json& Rows()
{
    static const nlohmann::json rows = nlohmann::json::parse(SharedRowsJson);
    return rows;
}

std::u16string Text(const nlohmann::json& row, const char* key)
{
    // The parser has checked that every string is UTF-8.
    return ToUtf16(row.at(key).get<std::string>());
}

// A row's text: "text", or "utf16" code units where JSON text cannot carry it.
std::u16string RowText(const nlohmann::json& row)
{
    if (!row.contains("utf16"))
        return Text(row, "text");
    std::u16string text;
    for (const auto& unit : row.at("utf16"))
        text += static_cast<char16_t>(unit.get<int>());
    return text;
}

TColor ColorNamed(const std::string& name)
{
    if (name == "clBlack")
        return clBlack;
    if (name == "clRed")
        return clRed;
    throw std::runtime_error("tests/data/rows.json names an unknown colour: " + name);
}

} // namespace

std::vector<TVerdictRow> VerdictRows()
{
    std::vector<TVerdictRow> rows;
    for (const auto& row : Rows().at("verdict"))
        rows.push_back({row.at("name"), RowText(row), row.at("valid"), row.value("byteCount", 0),
                        row.value("lrc", 0)});
    return rows;
}

std::vector<TRenderRow> RenderRows()
{
    std::vector<TRenderRow> rows;
    for (const auto& row : Rows().at("render"))
        rows.push_back({row.at("name"), row.at("lrc"), row.at("byteCount"), Text(row, "hex"),
                        Text(row, "decimal"), Text(row, "octal"), Text(row, "binary"),
                        Text(row, "byteCountText")});
    return rows;
}

TWindowPlaces WindowPlacesAt(int pixelsPerInch)
{
    const nlohmann::json& window = Rows().at("window");
    for (const auto& density : window.at("densities")) {
        if (density.at("pixelsPerInch") != pixelsPerInch)
            continue;
        TWindowPlaces places{density.at("fontHeight"),
                             density.at("textHeight"),
                             density.at("client").at(0),
                             density.at("client").at(1),
                             {}};
        const std::string at = "at" + std::to_string(pixelsPerInch);
        for (const auto& row : window.at("controls")) {
            const auto& rect = row.at(at);
            places.controls.push_back(
                {row.at("name"), row.at("parent"),
                 row.value("link", false) ? std::u16string(WebPageAddress) : Text(row, "caption"),
                 row.value("fits", ""), rect.at(0), rect.at(1), rect.at(2), rect.at(3)});
        }
        return places;
    }
    throw std::runtime_error("tests/data/rows.json has no window at " +
                             std::to_string(pixelsPerInch) + " pixels per inch");
}

std::vector<TPrefixRow> ExamplePrefixRows()
{
    std::vector<TPrefixRow> rows;
    for (const auto& row : Rows().at("example"))
        rows.push_back({Text(row, "typed"), Text(row, "hex"), Text(row, "decimal"),
                        Text(row, "octal"), Text(row, "binary"), Text(row, "status"),
                        ColorNamed(row.at("color"))});
    return rows;
}

std::vector<TPasteRow> PasteRows()
{
    std::vector<TPasteRow> rows;
    for (const auto& row : Rows().at("paste"))
        rows.push_back(
            {row.at("name"), Text(row, "clipboard"), Text(row, "hex"), Text(row, "status")});
    return rows;
}
