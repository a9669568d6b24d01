#pragma once

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

// The engine's text is UTF-16 in standard strings; Windows' wide text holds the same code units,
// so the window hands text over with a cast and takes it back with one copy.

// The text as Windows reads it; where Windows reads up to a NUL, the view must end in one.
inline const wchar_t* Wide(std::u16string_view text)
{
    return reinterpret_cast<const wchar_t*>(text.data());
}

// A window's or control's whole text.
inline std::u16string TextOf(HWND control)
{
    const int length = GetWindowTextLengthW(control);
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    const int got = GetWindowTextW(control, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<std::size_t>(got));
    return text;
}

// Writes a control's text unless it already has it: writing an equal text would still send
// EN_CHANGE and repaint.
inline void SetText(HWND control, std::u16string_view text)
{
    if (TextOf(control) != text) {
        const std::u16string terminated(text);
        SetWindowTextW(control, Wide(terminated));
    }
}

// The clipboard's Unicode text, whole, up to its terminating NUL; none when it holds no text or
// cannot be opened.
inline std::optional<std::u16string> ClipboardText(HWND owner)
{
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner))
        return std::nullopt;
    std::u16string text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const char16_t*>(GlobalLock(data))) {
            const std::size_t most = GlobalSize(data) / sizeof(char16_t);
            text.assign(chars, std::find(chars, chars + most, u'\0'));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}
