#pragma once

#include "report/ReportOptions.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// With --lines, standard input is read in pieces of this many bytes: a log of any length takes
// the memory of a piece and of its longest line.
inline constexpr std::size_t LinesReadPiece = std::size_t{1} << 16;

// Runs the tool on the arguments after the program name, reading the data text from `in` when
// no TEXT is given. Returns the exit status.
int RunLrcTool(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* err);
