#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// What the command-line tool needs from the operating system, one job each.

// Prepares the standard streams for raw bytes: data text in, UTF-8 out, no newline translation.
void PrepareStandardStreams();

// The command-line arguments after the program name, as UTF-8.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Whether a command-line argument (UTF-8) names an existing regular file.
bool IsExistingFile(const std::string& utf8Path);

// The whole of a stream, byte for byte, in one block that lives as long as this object.
class TInputBytes
{
public:
    TInputBytes() = default;
    ~TInputBytes();
    TInputBytes(const TInputBytes&) = delete;
    TInputBytes& operator=(const TInputBytes&) = delete;

    // A stream whose length is not known beforehand starts in a block of this many bytes,
    // doubled whenever it fills.
    static constexpr std::size_t LeastBlock = std::size_t{1} << 20;

    // Reads to the end of the stream; false on a read error or when memory runs out.
    bool ReadAll(std::FILE* stream);
    std::string_view View() const { return {m_data, m_size}; }

private:
    bool Reserve(std::size_t capacity);
    bool MapRegularFile(std::FILE* stream);

    char* m_data = nullptr; // the bytes: a block of m_capacity, or inside a mapped view
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    [[maybe_unused]] void* m_view = nullptr; // a mapped view of the whole file, where there is one
};
