#include "cli/Platform.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <QString>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <windows.h>
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
            args.push_back(QString::fromWCharArray(wide[i]).toStdString());
        LocalFree(wide);
    }
#else
    // POSIX passes the bytes as typed; a UTF-8 locale is assumed, as everywhere in the tool.
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
#endif
    return args;
}

bool ReadWholeStream(std::FILE* stream, std::string& into)
{
    // A redirected file announces its size: reserving it keeps memory at one copy of the input.
    // A pipe grows geometrically, so at most two copies exist while the buffer moves.
#ifdef _WIN32
    struct _stat64 info{};
    if (_fstat64(_fileno(stream), &info) == 0 && (info.st_mode & _S_IFREG) && info.st_size > 0)
#else
    struct stat info{};
    if (fstat(fileno(stream), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
#endif
        into.reserve(static_cast<std::size_t>(info.st_size) + 1);

    std::vector<char> chunk(1 << 20);
    for (;;) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), stream);
        into.append(chunk.data(), got);
        if (got < chunk.size())
            return !std::ferror(stream);
    }
}
