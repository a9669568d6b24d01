#pragma once

#include "engine/Lrc.h"
#include "form/Colors.h"

#include <string>

// What Edit1Change shows for a result, in the order it writes it: the four result fields,
// then Label9's caption and colour.
struct TDisplay
{
    std::u16string Edit16, Edit10, Edit8, Edit2;
    std::u16string Label9Caption;
    TColor Label9Color;
};

// How long the data text must rest before assistive technology hears the status it settled on:
// typing "01 A0" passes through a malformed text at every first digit, and announcing each
// would drown the user. The display itself follows every keystroke.
inline constexpr int StatusQuietMilliseconds = 500;

// Valid: the four forms of the LRC, the byte count in black. Invalid: empty fields and the
// format message in red.
TDisplay DisplayFor(const TLrcResult& result);

// The error box's text: the message, with "." appended when the code of its last character is
// above that of "." (46).
std::u16string ErrorBoxText(std::u16string_view message);
