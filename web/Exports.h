#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The way between JavaScript and the module: JavaScript writes its arguments into blocks it gets
// from sumvane_alloc and reads the answers from the block that sumvane_answer points to, which
// each call rewrites.

#define SUMVANE_EXPORT(name) extern "C" __attribute__((export_name(#name)))

// Where the latest answer's bytes are; valid until the next call.
struct TAnswer
{
    const char* Bytes = nullptr;
    std::size_t Size = 0;
};

// Keeps `text` as the latest answer and returns where it is.
const TAnswer* Answer(std::string text);

// Texts joined by NUL, which none of the window's texts holds, for JavaScript to split.
std::string Joined(std::initializer_list<std::u16string_view> texts);
