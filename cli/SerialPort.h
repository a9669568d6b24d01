#pragma once

#include "report/Messages.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

enum class TParity
{
    None,
    Even,
    Odd
};

// How the characters on a serial line are framed, and how fast they come.
struct TLineSettings
{
    std::uint32_t Baud = 9600;
    int DataBits = 8;
    TParity Parity = TParity::None;
    int StopBits = 1;
};

// What a wait for input came to.
enum class TReadEnd
{
    Received,    // bytes (or port errors) were handed on; wait again
    Ended,       // the input has ended (standard input only)
    Interrupted, // Ctrl+C or SIGTERM: stop and give the tally
    Failed,      // the input cannot be read any more: `reason` says why
};

// Ctrl+C and SIGTERM, caught for as long as this object lives, so that a read of live input
// returns Interrupted instead of the process ending without its tally.
class TInterruptWatch
{
public:
    TInterruptWatch();
    ~TInterruptWatch();
    TInterruptWatch(const TInterruptWatch&) = delete;
    TInterruptWatch& operator=(const TInterruptWatch&) = delete;

    bool Interrupted() const;
    // A handle to wait on beside the input, readable once interrupted (-1 where there is none:
    // there reads wake often enough to look at Interrupted()).
    int WaitHandle() const;
};

// Reads a stream that is not a regular file (a pipe, a FIFO, a terminal) as its bytes arrive:
// whatever has arrived, up to `room` bytes, without waiting for more.
TReadEnd ReadArrived(std::FILE* stream, char* buffer, std::size_t room, std::size_t& got,
                     const TInterruptWatch& interrupt, std::string& reason);

// Whether the stream is a regular file (or has no descriptor, as a stream in memory), which is
// read in large pieces rather than as bytes arrive.
bool IsRegularInput(std::FILE* stream);

// A serial port, open and set up, in raw mode with its stale input discarded.
class TSerialPort
{
public:
    // Opens `device` (/dev/ttyUSB0; COM3 or \\.\COM10) with the settings. On failure, null with
    // the reason, in words a user acts on: "no such port", "busy: ...", "permission denied ...",
    // "not a serial port".
    static std::unique_ptr<TSerialPort> Open(const std::string& device,
                                             const TLineSettings& settings, std::string& reason);
    virtual ~TSerialPort() = default;

    // Waits for what the port receives and hands it on in order: the characters to onBytes,
    // each error the port reports among them to onFault. Failed when the port has gone away
    // (an adapter unplugged), with the reason.
    virtual TReadEnd Read(const std::function<void(std::string_view)>& onBytes,
                          const std::function<void(TPortFault)>& onFault,
                          const TInterruptWatch& interrupt, std::string& reason) = 0;
};

// The characters of a port that marks its errors in line, as POSIX's PARMRK does: a 0xFF byte
// arrives as FF FF, a character with a parity or framing error as FF 00 and the character, a
// break as FF 00 00. Keeps a mark cut between two reads for the next.
class TMarkedInput
{
public:
    // `fault` names what FF 00 and a character other than 00 stands for.
    explicit TMarkedInput(TPortFault fault) : m_fault(fault) {}

    void Decode(std::string_view raw, const std::function<void(std::string_view)>& onBytes,
                const std::function<void(TPortFault)>& onFault);

private:
    TPortFault m_fault;
    int m_pending = 0; // the bytes of a mark read so far: 0, 1 (FF) or 2 (FF 00)
    std::string m_plain;
};
