#include "cli/Platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#ifdef __linux__
#include <sys/mman.h>
#endif

#ifdef _WIN32
#include "engine/Utf8.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h> // needs windows.h first
#endif

void PrepareStandardStreams()
{
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
#endif
}

std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
    std::vector<std::string> args;
#ifdef _WIN32
    // argv holds the ANSI code page's rendering; the wide command line is the real text.
    (void)argc;
    (void)argv;
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            args.push_back(ToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
        LocalFree(wide);
    }
#else
    // POSIX passes the bytes as typed; a UTF-8 locale is assumed, as everywhere in the tool.
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
#endif
    return args;
}

bool IsExistingFile(const std::string& utf8Path)
{
    // The system's own call, not std::filesystem, which would double the Windows tool's size.
#ifdef _WIN32
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8Path.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return false;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8Path.c_str(), -1, wide.data(), length);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
#else
    struct stat info
    {
    };
    return stat(utf8Path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
#endif
}

namespace {

// Where the input block lives. On Linux it is an anonymous mapping that asks for huge pages:
// on a 64 MiB input, faulting in 4 KiB pages one by one costs more than validating the text.
char* AllocateBlock(std::size_t bytes)
{
#ifdef __linux__
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    madvise(block, bytes, MADV_HUGEPAGE); // only advice: without it the block still works
    return static_cast<char*>(block);
#else
    return static_cast<char*>(std::malloc(bytes));
#endif
}

void FreeBlock(char* block, std::size_t bytes)
{
#ifdef __linux__
    if (block)
        munmap(block, bytes);
#else
    (void)bytes;
    std::free(block);
#endif
}

// Bytes left in a redirected regular file, so that one block holds it all; 0 when unknown.
std::size_t RemainingBytes(std::FILE* stream)
{
#ifdef _WIN32
    struct _stat64 info
    {
    };
    if (_fstat64(_fileno(stream), &info) != 0 || !(info.st_mode & _S_IFREG))
        return 0;
    const long long at = _ftelli64(stream);
#else
    struct stat info
    {
    };
    if (fstat(fileno(stream), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    const long long at = ftello(stream);
#endif
    return at >= 0 && info.st_size > at ? static_cast<std::size_t>(info.st_size - at) : 0;
}

} // namespace

TInputBytes::~TInputBytes()
{
#ifdef _WIN32
    if (m_view) {
        UnmapViewOfFile(m_view);
        return;
    }
#endif
    FreeBlock(m_data, m_capacity);
}

bool TInputBytes::MapRegularFile(std::FILE* stream)
{
#ifdef _WIN32
    // Under Wine, reading a 64 MiB file into fresh memory costs four times what validating it
    // does; a read-only view of the file costs next to nothing. Only a regular file can be
    // mapped, and only a non-empty one.
    const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    LARGE_INTEGER size{}, at{};
    if (file == INVALID_HANDLE_VALUE || GetFileType(file) != FILE_TYPE_DISK ||
        !GetFileSizeEx(file, &size) ||
        !SetFilePointerEx(file, LARGE_INTEGER{}, &at, FILE_CURRENT) ||
        size.QuadPart <= at.QuadPart || static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
        return false;
    const HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping)
        return false;
    m_view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    CloseHandle(mapping); // the view keeps the mapping alive
    if (!m_view)
        return false;
    m_data = static_cast<char*>(m_view) + at.QuadPart;
    m_size = static_cast<std::size_t>(size.QuadPart - at.QuadPart);
    return true;
#else
    (void)stream; // Linux reads into a huge-page block, which is as fast
    return false;
#endif
}

bool TInputBytes::Reserve(std::size_t capacity)
{
    char* block = AllocateBlock(capacity);
    if (!block)
        return false;
    if (m_size)
        std::memcpy(block, m_data, m_size);
    FreeBlock(m_data, m_capacity);
    m_data = block;
    m_capacity = capacity;
    return true;
}

bool TInputBytes::ReadAll(std::FILE* stream)
{
    if (MapRegularFile(stream))
        return true;
    // One byte beyond a known size lets the read see the end without growing the block; a pipe
    // grows it geometrically, so at most two blocks exist while it moves.
    if (!Reserve(std::max(RemainingBytes(stream) + 1, LeastBlock)))
        return false;
    for (;;) {
        if (m_size == m_capacity && !Reserve(m_capacity * 2))
            return false;
        const std::size_t got = std::fread(m_data + m_size, 1, m_capacity - m_size, stream);
        m_size += got;
        if (got == 0)
            return !std::ferror(stream);
    }
}
