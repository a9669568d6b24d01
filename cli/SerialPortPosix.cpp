// Live input and serial ports on Linux (and other POSIX systems): poll(2) on the input and on a
// pipe that the signal handler writes to, so that Ctrl+C is seen however long the line is idle.
#include "cli/SerialPort.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/serial.h>
#endif

namespace {

int InterruptPipe[2] = {-1, -1};
volatile std::sig_atomic_t InterruptSeen = 0;
struct sigaction FormerInt, FormerTerm;

extern "C" void OnInterrupt(int)
{
    InterruptSeen = 1;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = write(InterruptPipe[1], &byte, 1);
    errno = saved;
}

// Waits until `fd` is readable or an interrupt comes. False when interrupted.
bool AwaitInput(int fd, const TInterruptWatch& interrupt)
{
    for (;;) {
        if (interrupt.Interrupted())
            return false;
        std::array<pollfd, 2> watched{{{fd, POLLIN, 0}, {interrupt.WaitHandle(), POLLIN, 0}}};
        const int ready = poll(watched.data(), watched[1].fd < 0 ? 1 : 2, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (interrupt.Interrupted())
            return false;
        // Readable, or hung up or in error: the read that follows says which.
        return true;
    }
}

std::string ErrorText(int error)
{
    return std::strerror(error);
}

} // namespace

TInterruptWatch::TInterruptWatch()
{
    InterruptSeen = 0;
    if (pipe(InterruptPipe) == 0) {
        fcntl(InterruptPipe[0], F_SETFD, FD_CLOEXEC);
        fcntl(InterruptPipe[1], F_SETFD, FD_CLOEXEC);
        fcntl(InterruptPipe[1], F_SETFL, O_NONBLOCK);
    }
    struct sigaction action
    {
    };
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &FormerInt);
    sigaction(SIGTERM, &action, &FormerTerm);
}

TInterruptWatch::~TInterruptWatch()
{
    sigaction(SIGINT, &FormerInt, nullptr);
    sigaction(SIGTERM, &FormerTerm, nullptr);
    for (int& end : InterruptPipe) {
        if (end >= 0)
            close(end);
        end = -1;
    }
}

bool TInterruptWatch::Interrupted() const
{
    return InterruptSeen != 0;
}

int TInterruptWatch::WaitHandle() const
{
    return InterruptPipe[0];
}

bool IsRegularInput(std::FILE* stream)
{
    struct stat info
    {
    };
    const int fd = fileno(stream);
    return fd < 0 || fstat(fd, &info) != 0 || S_ISREG(info.st_mode);
}

TReadEnd ReadArrived(std::FILE* stream, char* buffer, std::size_t room, std::size_t& got,
                     const TInterruptWatch& interrupt, std::string& reason)
{
    const int fd = fileno(stream);
    for (;;) {
        if (!AwaitInput(fd, interrupt))
            return TReadEnd::Interrupted;
        const ssize_t read = ::read(fd, buffer, room);
        if (read > 0) {
            got = static_cast<std::size_t>(read);
            return TReadEnd::Received;
        }
        if (read == 0)
            return TReadEnd::Ended;
        if (errno == EINTR || errno == EAGAIN)
            continue;
        reason = ErrorText(errno);
        return TReadEnd::Failed;
    }
}

namespace {

speed_t SpeedOf(std::uint32_t baud)
{
    switch (baud) {
    // clang-format off
    case 50: return B50;           case 75: return B75;           case 110: return B110;
    case 134: return B134;         case 150: return B150;         case 200: return B200;
    case 300: return B300;         case 600: return B600;         case 1200: return B1200;
    case 1800: return B1800;       case 2400: return B2400;       case 4800: return B4800;
    case 9600: return B9600;       case 19200: return B19200;     case 38400: return B38400;
    case 57600: return B57600;     case 115200: return B115200;   case 230400: return B230400;
#ifdef B460800
    case 460800: return B460800;   case 500000: return B500000;   case 576000: return B576000;
    case 921600: return B921600;   case 1000000: return B1000000; case 1152000: return B1152000;
    case 1500000: return B1500000; case 2000000: return B2000000; case 2500000: return B2500000;
    case 3000000: return B3000000; case 3500000: return B3500000; case 4000000: return B4000000;
#endif
    // clang-format on
    default:
        return B0;
    }
}

class TPosixPort : public TSerialPort
{
public:
    TPosixPort(int fd, bool parity)
        : m_fd(fd), m_marks(parity ? TPortFault::ParityOrFraming : TPortFault::Framing)
    {
        m_counts = Counts();
    }
    ~TPosixPort() override { close(m_fd); }
    TPosixPort(const TPosixPort&) = delete;
    TPosixPort& operator=(const TPosixPort&) = delete;

    TReadEnd Read(const std::function<void(std::string_view)>& onBytes,
                  const std::function<void(TPortFault)>& onFault, const TInterruptWatch& interrupt,
                  std::string& reason) override
    {
        for (;;) {
            if (!AwaitInput(m_fd, interrupt))
                return TReadEnd::Interrupted;
            const ssize_t got = ::read(m_fd, m_buffer.data(), m_buffer.size());
            if (got > 0) {
                ReportOverruns(onFault);
                m_marks.Decode(std::string_view(m_buffer.data(), static_cast<std::size_t>(got)),
                               onBytes, onFault);
                return TReadEnd::Received;
            }
            if (got < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            // A tty whose device has gone reads as ended (a hang-up) or fails with EIO.
            reason = got == 0 ? "the line hung up" : ErrorText(errno);
            return TReadEnd::Failed;
        }
    }

private:
    // The driver's error counts, where it keeps them (a USB adapter's or a UART's; a
    // pseudo-terminal keeps none).
    struct TCounts
    {
        bool Known = false;
        int Overrun = 0;
        int BufferOverrun = 0;
    };

    TCounts Counts() const
    {
        TCounts counts;
#ifdef TIOCGICOUNT
        serial_icounter_struct icount{};
        if (ioctl(m_fd, TIOCGICOUNT, &icount) == 0)
            counts = {true, icount.overrun, icount.buf_overrun};
#endif
        return counts;
    }

    // Characters the driver lost are marked nowhere in the input: its counts say so.
    void ReportOverruns(const std::function<void(TPortFault)>& onFault)
    {
        if (!m_counts.Known)
            return;
        const TCounts now = Counts();
        if (now.Known &&
            (now.Overrun != m_counts.Overrun || now.BufferOverrun != m_counts.BufferOverrun))
            onFault(TPortFault::Overrun);
        if (now.Known)
            m_counts = now;
    }

    int m_fd;
    TMarkedInput m_marks;
    TCounts m_counts;
    std::array<char, 1 << 16> m_buffer{};
};

} // namespace

std::unique_ptr<TSerialPort> TSerialPort::Open(const std::string& device,
                                               const TLineSettings& settings, std::string& reason)
{
    const speed_t speed = SpeedOf(settings.Baud);
    if (speed == B0) {
        reason = std::to_string(settings.Baud) + " baud is not a rate this system sets";
        return nullptr;
    }
    // Non-blocking only while opening, so that a modem line without carrier does not hold it.
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENODEV || error == ENXIO)
            reason = "no such port";
        else if (error == EBUSY)
            reason = "busy: another program has it open";
        else if (error == EACCES || error == EPERM)
            reason = "permission denied (serial ports belong to the group 'dialout': "
                     "sudo usermod -aG dialout $USER, then log in again)";
        else
            reason = ErrorText(error);
        return nullptr;
    }
    termios mode{};
    if (!isatty(fd) || tcgetattr(fd, &mode) != 0) {
        close(fd);
        reason = "not a serial port";
        return nullptr;
    }
    // Two programs reading one port each get half of its frames: refuse to be the second.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        close(fd);
        reason = "busy: another program has it open";
        return nullptr;
    }
    cfmakeraw(&mode);
    mode.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    mode.c_cflag |= CLOCAL | CREAD | (settings.DataBits == 7 ? CS7 : CS8);
    if (settings.Parity != TParity::None)
        mode.c_cflag |= PARENB | (settings.Parity == TParity::Odd ? PARODD : 0);
    if (settings.StopBits == 2)
        mode.c_cflag |= CSTOPB;
    // Errors marked in line (PARMRK), parity checked where there is one, a break read as a mark
    // rather than ignored or raised as a signal.
    mode.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | ISTRIP | IXON | IXOFF);
    mode.c_iflag |= PARMRK | (settings.Parity != TParity::None ? INPCK : 0);
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
    cfsetispeed(&mode, speed);
    cfsetospeed(&mode, speed);
    // TCSAFLUSH discards what arrived before the port was set up: stale, or at another speed.
    if (tcsetattr(fd, TCSAFLUSH, &mode) != 0) {
        const int error = errno;
        close(fd);
        reason = "the port refuses these settings (" + ErrorText(error) + ")";
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return std::make_unique<TPosixPort>(fd, settings.Parity != TParity::None);
}
