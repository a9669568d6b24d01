#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Exit statuses of sumvane-lrc.
enum TExitStatus : int
{
    ExitOk = 0,        // valid text (with --check: the frame's LRC checks)
    ExitMalformed = 1, // malformed text (with --check: also a frame whose LRC does not check)
    ExitUsage = 2,     // bad command line, unreadable input or unwritable output
};

// With --lines, standard input is read in pieces of this many bytes: a log of any length takes
// the memory of a piece and of its longest line.
inline constexpr std::size_t LinesReadPiece = std::size_t{1} << 16;

// Runs the tool on the arguments after the program name, reading the data text from `in` when
// no TEXT is given. Returns the exit status.
int RunLrcTool(const std::vector<std::string>& args, std::FILE* in, std::FILE* out, std::FILE* err);

// The same with the bytes of standard input already in memory, for hosts that have no stream
// to give (the JavaScript package).
int RunLrcToolOnInput(const std::vector<std::string>& args, std::string_view input, std::FILE* out,
                      std::FILE* err);
