#include "web/Exports.h"

#include "engine/Utf8.h"

#include <cstdlib>
#include <utility>

namespace {

std::string LatestText;
TAnswer Latest;

} // namespace

const TAnswer* Answer(std::string text)
{
    LatestText = std::move(text);
    Latest = {LatestText.data(), LatestText.size()};
    return &Latest;
}

std::string Joined(std::initializer_list<std::u16string_view> texts)
{
    std::string joined;
    bool first = true;
    for (const std::u16string_view text : texts) {
        if (!first)
            joined += '\0';
        first = false;
        joined += ToUtf8(text);
    }
    return joined;
}

SUMVANE_EXPORT(sumvane_latest) const TAnswer* SumvaneLatest()
{
    return &Latest;
}

SUMVANE_EXPORT(sumvane_alloc) void* SumvaneAlloc(std::size_t size)
{
    return std::malloc(size == 0 ? 1 : size);
}

SUMVANE_EXPORT(sumvane_free) void SumvaneFree(void* block)
{
    std::free(block);
}
