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

// Valid: the four forms of the LRC, the byte count in black. Invalid: empty fields and the
// format message in red.
TDisplay DisplayFor(const TLrcResult& result);
