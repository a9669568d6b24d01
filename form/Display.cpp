#include "form/Display.h"

#include "engine/Render.h"

TDisplay DisplayFor(const TLrcResult& result)
{
    if (!result.Valid)
        return {u"", u"", u"", u"", u"数据格式不正确", clRed};
    TLrcTexts texts = RenderLrc(result);
    return {std::move(texts.Hex),    std::move(texts.Decimal),       std::move(texts.Octal),
            std::move(texts.Binary), std::move(texts.ByteCountText), clBlack};
}

std::u16string ErrorBoxText(std::u16string_view message)
{
    std::u16string text(message);
    if (!text.empty() && text.back() > u'.')
        text += u'.';
    return text;
}
