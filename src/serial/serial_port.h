#pragma once
// The serial line of both receiver protocols. It opens a named port with a mode
// text ("9600,N,8,1" or "baud=4800 parity=N data=8 stop=1"), writes bytes, and
// reads with time-outs in milliseconds. Reads never block in the driver; all
// waiting is done here, until the wanted number of bytes is queued or the
// time-out has passed.

#include <cstddef>
#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

class SerialPort {
  public:
    SerialPort();
    virtual ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // True when the port is open and configured; otherwise a message has been shown.
    bool Open(const char* portName, const char* settings);
    // Waits until what was written has left (for a second at most: flow control
    // may hold it for ever), then gives the device back.
    void Close();
    bool IsOpen() const;

    // Number of bytes written; 0 when the port is closed or the write fails.
    int Write(const void* bytes, int length);
    // The byte read, or 0 when none arrived within `timeoutMs`.
    unsigned char ReadByte(int timeoutMs);
    // Bytes read (0 to count); buffer[bytes read] is set to NUL, so it holds count + 1.
    int Read(void* buffer, int count, int timeoutMs);
    // Waits up to `timeoutMs` for a byte, then takes what is queued, up to
    // `count` bytes: the number taken (no terminator is written).
    int ReadSome(void* buffer, int count, int timeoutMs);
    // Bytes stored, the delimiter included when met; NUL-terminated (maximum + 1 bytes).
    int ReadLine(char* buffer, char delimiter, int maximum, int timeoutMs);
    int BytesWaiting();
    void DiscardInput();
    void PurgeOutput();
    // Waits until what was written has left, for `maxMs` at most; false when
    // some of it was still queued then.
    bool Drain(int maxMs);
    // Sets the line to `baud`, keeping the other settings; false when the line
    // does not take it.
    bool SetBaud(int baud);
    // The kernel driver of the open device ("garmin_gps" for a USB unit driven
    // by it); empty when unknown.
    std::string DriverName() const;

    // Makes the line settings of every later Open fail as a driver that does
    // not support them would (for tests).
    static void FailLineSettingsForTests(bool fail);

    // The device path that Open tried last ("/dev/ttyS1" for "Com2").
    const std::string& DevicePath() const { return devicePath_; }

  private:
    // Waits until `wanted` bytes are queued or `timeoutMs` has passed.
    bool WaitForBytes(int wanted, int timeoutMs);
    // Takes up to `count` queued bytes without waiting; the number taken.
    int ReadQueued(void* buffer, int count);
    // Shows the message `format` filled with `error`, closes the handle and
    // returns false: Open's way out once the line has been opened.
    bool FailAndClose(const char* format, int error);
    // Gives the device back to the system and marks the port closed.
    void ReleaseHandle();

#ifdef _WIN32
    HANDLE handle_;
    COMMTIMEOUTS timeouts_;
#else
    // Moves what the driver holds into `pending_` until `wanted` bytes are
    // pending or the driver has no more; false when the line has hung up or
    // failed (an unplugged device).
    bool FillPending(int wanted);
    int PendingCount() const {
        return static_cast<int>(pending_.size() - pendingStart_);
    }

    int handle_;
    // Bytes already taken from the driver, not yet handed out, from
    // pending_[pendingStart_] on. They count as queued: BytesWaiting includes
    // them. Taking what the driver holds in one call saves a system call for
    // every byte of a packet.
    std::string pending_;
    size_t pendingStart_ = 0;
#endif
    char text_[1024];
    std::string devicePath_;
};

// The device a port name stands for. "Com1".."Com4" (any case) name the device in
// the environment variable QUORVEX_COM1..QUORVEX_COM4 when it is set, else
// /dev/ttyS0../dev/ttyS3; any other name (a path such as /dev/ttyUSB0) is used as
// it is. On Windows the name becomes "\\.\Com1".
std::string SerialDevicePath(const char* portName);

// A millisecond tick count for time-outs; compare two with unsigned subtraction.
std::uint32_t TickCountMs();
