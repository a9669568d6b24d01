#pragma once

#include <cstdio>
#include <string>
#include <vector>

// What the command-line tool needs from the operating system, one job each.

// Prepares the standard streams for raw bytes: data text in, UTF-8 out, no newline translation.
void PrepareStandardStreams();

// The command-line arguments after the program name, as UTF-8.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// The whole of the stream, byte for byte; false on a read error.
bool ReadWholeStream(std::FILE* stream, std::string& into);
