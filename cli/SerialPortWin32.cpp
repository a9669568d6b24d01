// Live input and serial ports on Windows. Nothing here can wait on the input and on Ctrl+C at
// once, so every wait is short: a pipe is peeked at between short sleeps, and a port's reads
// time out after 100 ms, after which Interrupted() is looked at again. A console, and a pipe that
// cannot be peeked at (Wine's standard input from a Unix pipe), are read as ReadFile waits:
// Ctrl+C ends a console's read, and is seen on such a pipe once something arrives or it ends.
#include "cli/SerialPort.h"
#include "engine/Utf8.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <io.h>
#include <utility>

namespace {

// A handle that is closed with its owner.
class THandle
{
public:
    explicit THandle(HANDLE handle) : m_handle(handle) {}
    ~THandle()
    {
        if (Valid())
            CloseHandle(m_handle);
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    THandle(THandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    THandle& operator=(THandle&&) = delete;

    bool Valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

std::atomic<bool> InterruptSeen = false;

// Runs on a thread of its own, which the system starts for each event.
BOOL WINAPI OnInterrupt(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    InterruptSeen = true;
    // The process ends as soon as the handler of a closed console returns: it stays here, so
    // that the program ends first, with its tally, or the system ends it a few seconds later.
    if (event == CTRL_CLOSE_EVENT)
        Sleep(INFINITE);
    return TRUE;
}

// How long an idle pipe is left before it is peeked at again.
constexpr DWORD PipePollMs = 10;

// The system's words for an error, as one line without its closing full stop, as strerror
// gives them.
std::string ErrorText(DWORD error)
{
    std::array<wchar_t, 512> text{};
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, text.data(), static_cast<DWORD>(text.size()), nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' ||
                          text[length - 1] == L' ' || text[length - 1] == L'.'))
        --length;
    if (length == 0)
        return "system error " + std::to_string(error);
    return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), length));
}

HANDLE HandleOf(std::FILE* stream)
{
    const int fd = _fileno(stream);
    return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

DWORD ReadSize(std::size_t room)
{
    return static_cast<DWORD>(std::min<std::size_t>(room, MAXDWORD));
}

// A read from a console or any other stream that cannot be peeked at: as ReadFile returns.
TReadEnd ReadWaiting(HANDLE input, char* buffer, std::size_t room, std::size_t& got,
                     const TInterruptWatch& interrupt, std::string& reason)
{
    DWORD read = 0;
    const bool done = ReadFile(input, buffer, ReadSize(room), &read, nullptr) != 0;
    if (done && read > 0) {
        got = read;
        return TReadEnd::Received;
    }
    const DWORD error = done ? ERROR_SUCCESS : GetLastError();
    // Ctrl+C ends a console's read, before or after its handler has run.
    if (interrupt.Interrupted() || error == ERROR_OPERATION_ABORTED)
        return TReadEnd::Interrupted;
    if (done || error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF)
        return TReadEnd::Ended;
    reason = ErrorText(error);
    return TReadEnd::Failed;
}

} // namespace

TInterruptWatch::TInterruptWatch()
{
    InterruptSeen = false;
    SetConsoleCtrlHandler(OnInterrupt, TRUE);
}

TInterruptWatch::~TInterruptWatch()
{
    SetConsoleCtrlHandler(OnInterrupt, FALSE);
}

bool TInterruptWatch::Interrupted() const
{
    return InterruptSeen;
}

int TInterruptWatch::WaitHandle() const
{
    return -1;
}

bool IsRegularInput(std::FILE* stream)
{
    const HANDLE input = HandleOf(stream);
    if (input == INVALID_HANDLE_VALUE)
        return true;
    const DWORD type = GetFileType(input);
    return type == FILE_TYPE_DISK || (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR);
}

TReadEnd ReadArrived(std::FILE* stream, char* buffer, std::size_t room, std::size_t& got,
                     const TInterruptWatch& interrupt, std::string& reason)
{
    const HANDLE input = HandleOf(stream);
    if (GetFileType(input) != FILE_TYPE_PIPE)
        return ReadWaiting(input, buffer, room, got, interrupt, reason);
    for (;;) {
        if (interrupt.Interrupted())
            return TReadEnd::Interrupted;
        DWORD available = 0;
        if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_BROKEN_PIPE)
                return TReadEnd::Ended;
            // A pipe that cannot be peeked at is read as it comes.
            return ReadWaiting(input, buffer, room, got, interrupt, reason);
        }
        if (available == 0) {
            Sleep(PipePollMs);
            continue;
        }
        // No more than has arrived, so that the read returns at once.
        DWORD read = 0;
        if (!ReadFile(input, buffer, std::min(available, ReadSize(room)), &read, nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_BROKEN_PIPE)
                return TReadEnd::Ended;
            reason = ErrorText(error);
            return TReadEnd::Failed;
        }
        if (read > 0) {
            got = read;
            return TReadEnd::Received;
        }
    }
}

namespace {

class TWin32Port : public TSerialPort
{
public:
    explicit TWin32Port(THandle port) : m_port(std::move(port)) {}

    TReadEnd Read(const std::function<void(std::string_view)>& onBytes,
                  const std::function<void(TPortFault)>& onFault, const TInterruptWatch& interrupt,
                  std::string& reason) override
    {
        for (;;) {
            if (interrupt.Interrupted())
                return TReadEnd::Interrupted;
            // Returns as soon as a character has arrived, or after the timeout of Open.
            DWORD got = 0;
            if (!ReadFile(m_port.Get(), m_buffer.data(), static_cast<DWORD>(m_buffer.size()), &got,
                          nullptr)) {
                reason = ErrorText(GetLastError());
                return TReadEnd::Failed;
            }
            DWORD errors = 0;
            if (!ClearCommError(m_port.Get(), &errors, nullptr)) {
                reason = ErrorText(GetLastError());
                return TReadEnd::Failed;
            }
            const bool faults = ReportFaults(errors, onFault);
            if (got > 0)
                onBytes(std::string_view(m_buffer.data(), got));
            if (faults || got > 0)
                return TReadEnd::Received;
        }
    }

private:
    // What the port says went wrong since the last look. Windows does not say which of the
    // characters just read it concerns; it is reported before them.
    static bool ReportFaults(DWORD errors, const std::function<void(TPortFault)>& onFault)
    {
        if (errors & CE_RXPARITY)
            onFault(TPortFault::Parity);
        if (errors & CE_FRAME)
            onFault(TPortFault::Framing);
        if (errors & (CE_OVERRUN | CE_RXOVER))
            onFault(TPortFault::Overrun);
        if (errors & CE_BREAK)
            onFault(TPortFault::Break);
        return (errors & (CE_RXPARITY | CE_FRAME | CE_OVERRUN | CE_RXOVER | CE_BREAK)) != 0;
    }

    THandle m_port;
    std::array<char, 1 << 16> m_buffer{};
};

// The name CreateFileW opens: COM1 to COM9 have names of their own, the rest only in the
// device namespace, which serves for all.
std::wstring DevicePath(const std::string& device)
{
    std::u16string path = ToUtf16(device);
    if (path.rfind(u"\\\\", 0) != 0)
        path.insert(0, u"\\\\.\\");
    return std::wstring(path.begin(), path.end());
}

} // namespace

std::unique_ptr<TSerialPort> TSerialPort::Open(const std::string& device,
                                               const TLineSettings& settings, std::string& reason)
{
    THandle port(CreateFileW(DevicePath(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr));
    if (!port.Valid()) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            reason = "no such port";
        else if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            reason = "busy: another program has it open";
        else
            reason = ErrorText(error);
        return nullptr;
    }
    DCB state{};
    state.DCBlength = sizeof(state);
    if (!GetCommState(port.Get(), &state)) {
        reason = "not a serial port";
        return nullptr;
    }
    // Stale input is dropped before the line is set up, so that what arrives once it is set up
    // is all kept.
    PurgeComm(port.Get(), PURGE_RXCLEAR);
    state.BaudRate = settings.Baud;
    state.ByteSize = static_cast<BYTE>(settings.DataBits);
    state.Parity = settings.Parity == TParity::Even  ? EVENPARITY
                   : settings.Parity == TParity::Odd ? ODDPARITY
                                                     : NOPARITY;
    state.StopBits = settings.StopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    state.fBinary = TRUE;
    state.fParity = settings.Parity != TParity::None;
    // No flow control, with DTR and RTS raised as a POSIX system raises them on opening.
    state.fOutxCtsFlow = FALSE;
    state.fOutxDsrFlow = FALSE;
    state.fDtrControl = DTR_CONTROL_ENABLE;
    state.fRtsControl = RTS_CONTROL_ENABLE;
    state.fDsrSensitivity = FALSE;
    state.fOutX = FALSE;
    state.fInX = FALSE;
    // Every character is passed on as received, and an error stops no read.
    state.fErrorChar = FALSE;
    state.fNull = FALSE;
    state.fAbortOnError = FALSE;
    // A read returns what has arrived as soon as there is any, or nothing after 100 ms.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = 100;
    if (!SetCommTimeouts(port.Get(), &timeouts) || !SetCommState(port.Get(), &state)) {
        reason = "the port refuses these settings (" + ErrorText(GetLastError()) + ")";
        return nullptr;
    }
    return std::make_unique<TWin32Port>(std::move(port));
}
