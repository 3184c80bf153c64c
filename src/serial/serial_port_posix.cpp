// SerialPort on a POSIX terminal device. The descriptor is non-blocking, so a
// read returns at once with whatever is queued; waits block in poll() until
// input arrives or the time-out passes. A line that has hung up (an unplugged
// adapter, a closed pseudo-terminal) is treated like a silent one.

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <climits>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/user_feedback.h"
#include "serial/mode_text.h"
#include "serial/serial_port.h"
#include "serial/serial_trace.h"

namespace {

// How long a hung-up line sleeps between looks, and how long a write may wait
// for room in a transmit queue that does not drain.
constexpr int kHangupSliceMs = 50;
constexpr int kWriteStallMs = 2000;
// How long closing the port waits for the output to leave.
constexpr int kDrainMs = 1000;

bool SpeedConstant(int baud, speed_t* speed) {
    static const struct {
        int baud;
        speed_t speed;
    } kSpeeds[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},
#ifdef B460800
        {460800, B460800},   {500000, B500000},   {576000, B576000},   {921600, B921600},
        {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000},
#endif
    };
    for (const auto& entry : kSpeeds) {
        if (entry.baud == baud) {
            *speed = entry.speed;
            return true;
        }
    }
    return false;
}

// Applies the line settings on top of the device's current ones: raw 8-bit
// bytes, no echo, no line editing, no flow control unless the text asks for it.
bool ApplySettings(const termios& current, const LineSettings& s, termios* out) {
    termios tio = current;
    const tcflag_t kLineBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    const tcflag_t keep = current.c_cflag & kLineBits;
    cfmakeraw(&tio);
    tio.c_cflag &= ~(kLineBits | CRTSCTS);
    tio.c_cflag |= keep | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    // One byte satisfies a read, and the descriptor never blocks: a read hands
    // out what is queued, or reports that nothing is.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;

    if (s.baud != 0) {
        speed_t speed;
        if (!SpeedConstant(s.baud, &speed)) return false;
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
    }
    if (s.dataBits != 0) {
        static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
        tio.c_cflag = (tio.c_cflag & ~CSIZE) | kSizes[s.dataBits - 5];
    }
    if (s.parity != 0) {
        tio.c_cflag &= ~(PARENB | PARODD | CMSPAR);
        switch (s.parity) {
            case 'E':
                tio.c_cflag |= PARENB;
                break;
            case 'O':
                tio.c_cflag |= PARENB | PARODD;
                break;
            case 'M':
                tio.c_cflag |= PARENB | PARODD | CMSPAR;
                break;
            case 'S':
                tio.c_cflag |= PARENB | CMSPAR;
                break;
            default:
                break;
        }
    }
    // With 5 data bits the two-stop-bit setting sends one and a half.
    if (s.stopBits == 1) tio.c_cflag &= ~CSTOPB;
    if (s.stopBits == 2 || s.stopBits == 15) tio.c_cflag |= CSTOPB;
    if (s.softwareFlow == 1) tio.c_iflag |= IXON | IXOFF;
    if (s.hardwareFlow == 1) tio.c_cflag |= CRTSCTS;
    *out = tio;
    return true;
}

bool failSettingsForTests = false;

void SleepMs(int ms) {
    if (ms > 0) poll(nullptr, 0, ms);
}

}  // namespace

std::uint32_t TickCountMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

std::string SerialDevicePath(const char* portName) {
    std::string name = portName != nullptr ? portName : "";
    if (name.size() == 4 && (name[0] == 'C' || name[0] == 'c') &&
        (name[1] == 'O' || name[1] == 'o') && (name[2] == 'M' || name[2] == 'm') &&
        name[3] >= '1' && name[3] <= '4') {
        char variable[] = "QUORVEX_COMn";
        variable[sizeof(variable) - 2] = name[3];
        const char* configured = std::getenv(variable);
        if (configured != nullptr && configured[0] != '\0') return configured;
        return std::string("/dev/ttyS") + static_cast<char>(name[3] - 1);
    }
    return name;
}

SerialPort::SerialPort() : handle_(-1) {
    text_[0] = '\0';
}

SerialPort::~SerialPort() {
    Close();
}

bool SerialPort::IsOpen() const {
    return handle_ >= 0;
}

bool SerialPort::Open(const char* portName, const char* settings) {
    devicePath_ = SerialDevicePath(portName);
    int fd = ::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // The port keeps whatever it held before the call.
        std::snprintf(text_, sizeof(text_), "Could not open Serial port %s\nErr = %d",
                      devicePath_.c_str(), errno);
        ShowMessage(text_);
        return false;
    }
    // No other program may open the line while we hold it. A device that is no
    // terminal fails this, and fails the status query below with a message.
    ioctl(fd, TIOCEXCL);
    Close();
    handle_ = fd;

    termios current;
    if (tcgetattr(handle_, &current) != 0) {
        // Held open but unconfigured; Close releases it.
        std::snprintf(text_, sizeof(text_), "Internal Error: port status %s\nErr = %d",
                      devicePath_.c_str(), errno);
        ShowMessage(text_);
        return false;
    }
    LineSettings line;
    if (!ParseModeText(settings, &line))
        return FailAndClose("Internal Error: Building DCB string \nErr = %d", EINVAL);
    termios wanted;
    if (!ApplySettings(current, line, &wanted))  // a rate the line cannot take
        return FailAndClose("Internal Error: Communications state\nErr = %d", EINVAL);
    // A device that is no UART (a USB receiver behind its own kernel driver)
    // may refuse settings it has no use for: the line is then used as it is.
    if (!failSettingsForTests) tcsetattr(handle_, TCSANOW, &wanted);
    return true;
}

bool SerialPort::FailAndClose(const char* format, int error) {
    std::snprintf(text_, sizeof(text_), format, error);
    ShowMessage(text_);
    ReleaseHandle();
    return false;
}

void SerialPort::ReleaseHandle() {
    // The exclusive mode belongs to the device, not to the descriptor: lift it,
    // or the next program (or this one) could not open the line again.
    ioctl(handle_, TIOCNXCL);
    ::close(handle_);
    handle_ = -1;
    pending_.clear();
    pendingStart_ = 0;
}

void SerialPort::Close() {
    if (handle_ < 0) return;
    // The last packet written (an acknowledgement the receiver waits for) must
    // leave before the line is given back. Only what flow control still holds
    // is purged: on a pseudo-terminal the purge also throws away what the other
    // end has not read yet.
    if (!Drain(kDrainMs)) PurgeOutput();
    DiscardInput();
    ReleaseHandle();
}

bool SerialPort::Drain(int maxMs) {
    if (handle_ < 0) return true;
    // tcdrain alone could wait for ever behind flow control, so the driver's
    // queue is watched for a bounded time first; what is left after that stays.
    const std::uint32_t start = TickCountMs();
    for (;;) {
        int queued = 0;
        if (ioctl(handle_, TIOCOUTQ, &queued) != 0 || queued <= 0) {
            // Only the UART's own buffer is left to send.
            tcdrain(handle_);
            return true;
        }
        if (TickCountMs() - start >= static_cast<std::uint32_t>(maxMs)) return false;
        SleepMs(2);
    }
}

bool SerialPort::SetBaud(int baud) {
    speed_t speed;
    termios tio;
    if (handle_ < 0 || !SpeedConstant(baud, &speed) || tcgetattr(handle_, &tio) != 0) return false;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    return tcsetattr(handle_, TCSANOW, &tio) == 0;
}

std::string SerialPort::DriverName() const {
    // /sys/class/tty/NAME/device/driver links to the driver's directory.
    char resolved[PATH_MAX];
    if (handle_ < 0 || realpath(devicePath_.c_str(), resolved) == nullptr) return "";
    const char* slash = std::strrchr(resolved, '/');
    const std::string link =
        std::string("/sys/class/tty/") + (slash ? slash + 1 : resolved) + "/device/driver";
    char target[PATH_MAX];
    const ssize_t n = readlink(link.c_str(), target, sizeof(target) - 1);
    if (n <= 0) return "";
    target[n] = '\0';
    const char* name = std::strrchr(target, '/');
    return name ? name + 1 : target;
}

void SerialPort::FailLineSettingsForTests(bool fail) {
    failSettingsForTests = fail;
}

int SerialPort::Write(const void* bytes, int length) {
    if (handle_ < 0 || bytes == nullptr || length <= 0) return 0;
    const auto* data = static_cast<const unsigned char*>(bytes);
    int written = 0;
    std::uint32_t lastProgress = TickCountMs();
    while (written < length) {
        ssize_t n = ::write(handle_, data + written, static_cast<size_t>(length - written));
        if (n > 0) {
            TraceSerialBytes('>', data + written, static_cast<size_t>(n));
            written += static_cast<int>(n);
            lastProgress = TickCountMs();
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The transmit queue is full: wait for room, but not for ever.
            std::uint32_t stalled = TickCountMs() - lastProgress;
            if (stalled >= static_cast<std::uint32_t>(kWriteStallMs)) break;
            pollfd pfd = {handle_, POLLOUT, 0};
            int ready = poll(&pfd, 1, kWriteStallMs - static_cast<int>(stalled));
            if (ready > 0 && (pfd.revents & POLLOUT) == 0) break;  // hung up
            continue;
        }
        break;  // the device has gone
    }
    return written;
}

int SerialPort::BytesWaiting() {
    if (handle_ < 0) return 0;
    int queued = 0;
    if (ioctl(handle_, FIONREAD, &queued) != 0 || queued < 0) queued = 0;
    return queued + PendingCount();
}

void SerialPort::PurgeOutput() {
    if (handle_ >= 0) tcflush(handle_, TCOFLUSH);
}

bool SerialPort::FillPending(int wanted) {
    while (PendingCount() < wanted) {
        // Drop what has been handed out; what is left is shorter than `wanted`.
        pending_.erase(0, pendingStart_);
        pendingStart_ = 0;
        char chunk[1024];
        ssize_t n = ::read(handle_, chunk, sizeof(chunk));
        if (n > 0) {
            TraceSerialBytes('<', chunk, static_cast<size_t>(n));
            pending_.append(chunk, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        return false;  // end of file or a failure: the device has gone
    }
    return true;
}

bool SerialPort::WaitForBytes(int wanted, int timeoutMs) {
    const std::uint32_t start = TickCountMs();
    for (;;) {
        bool lineUp = FillPending(wanted);
        if (PendingCount() >= wanted) return true;
        std::uint32_t elapsed = TickCountMs() - start;
        if (timeoutMs <= 0 || elapsed >= static_cast<std::uint32_t>(timeoutMs)) return false;
        int remaining = timeoutMs - static_cast<int>(elapsed);
        if (!lineUp) {
            // Nothing will come from a line that has gone: wait like a silent one.
            SleepMs(remaining < kHangupSliceMs ? remaining : kHangupSliceMs);
            continue;
        }
        pollfd pfd = {handle_, POLLIN, 0};
        int ready = poll(&pfd, 1, remaining);
        if (ready > 0 && (pfd.revents & POLLIN) == 0)
            SleepMs(remaining < kHangupSliceMs ? remaining : kHangupSliceMs);
    }
}

int SerialPort::ReadQueued(void* buffer, int count) {
    if (handle_ < 0 || count <= 0) return 0;
    FillPending(count);
    int got = PendingCount() < count ? PendingCount() : count;
    std::memcpy(buffer, pending_.data() + pendingStart_, static_cast<size_t>(got));
    pendingStart_ += static_cast<size_t>(got);
    return got;
}
