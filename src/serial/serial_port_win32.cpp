// SerialPort on the Windows communications API. The time-outs record makes
// ReadFile return at once with what is queued; waits poll the receive-queue
// count against the tick counter.

#include <cstdio>
#include <cstring>

#include "core/user_feedback.h"
#include "serial/serial_port.h"

std::uint32_t TickCountMs() {
    return static_cast<std::uint32_t>(GetTickCount());
}

std::string SerialDevicePath(const char* portName) {
    char path[300];
    std::snprintf(path, sizeof(path), "\\\\.\\%s", portName != nullptr ? portName : "");
    return path;
}

SerialPort::SerialPort() : handle_(INVALID_HANDLE_VALUE), timeouts_() {
    text_[0] = '\0';
}

SerialPort::~SerialPort() {
    Close();
}

bool SerialPort::IsOpen() const {
    return handle_ != INVALID_HANDLE_VALUE;
}

bool SerialPort::Open(const char* portName, const char* settings) {
    devicePath_ = SerialDevicePath(portName);
    HANDLE previous = handle_;
    handle_ = CreateFileA(devicePath_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, 0, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
        std::snprintf(text_, sizeof(text_), "Could not open Serial port %s\nErr = %d",
                      devicePath_.c_str(), static_cast<int>(GetLastError()));
        ShowMessage(text_);
        handle_ = previous;
        return false;
    }
    if (previous != INVALID_HANDLE_VALUE) CloseHandle(previous);

    DCB dcb;
    ZeroMemory(&dcb, sizeof(dcb));
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(handle_, &dcb)) {
        std::snprintf(text_, sizeof(text_), "Internal Error: port status %s\nErr = %d",
                      devicePath_.c_str(), static_cast<int>(GetLastError()));
        ShowMessage(text_);
        return false;
    }
    if (!BuildCommDCBA(settings, &dcb))
        return FailAndClose("Internal Error: Building DCB string \nErr = %d",
                            static_cast<int>(GetLastError()));
    if (!SetCommState(handle_, &dcb))
        return FailAndClose("Internal Error: Communications state\nErr = %d",
                            static_cast<int>(GetLastError()));
    // Reads return at once with the bytes already received; writes have no time-out.
    timeouts_.ReadIntervalTimeout = MAXDWORD;
    timeouts_.ReadTotalTimeoutMultiplier = 0;
    timeouts_.ReadTotalTimeoutConstant = 0;
    timeouts_.WriteTotalTimeoutMultiplier = 0;
    timeouts_.WriteTotalTimeoutConstant = 0;
    SetCommTimeouts(handle_, &timeouts_);
    return true;
}

bool SerialPort::FailAndClose(const char* format, int error) {
    std::snprintf(text_, sizeof(text_), format, error);
    ShowMessage(text_);
    ReleaseHandle();
    return false;
}

void SerialPort::ReleaseHandle() {
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

void SerialPort::Close() {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    if (!Drain(1000)) PurgeOutput();
    DiscardInput();
    ReleaseHandle();
}

int SerialPort::Write(const void* bytes, int length) {
    if (handle_ == INVALID_HANDLE_VALUE || bytes == nullptr || length <= 0) return 0;
    DWORD written = 0;
    if (!WriteFile(handle_, bytes, static_cast<DWORD>(length), &written, nullptr)) return 0;
    return static_cast<int>(written);
}

int SerialPort::BytesWaiting() {
    if (handle_ == INVALID_HANDLE_VALUE) return 0;
    DWORD errors = 0;
    COMSTAT status;
    if (!ClearCommError(handle_, &errors, &status)) return 0;
    return static_cast<int>(status.cbInQue);
}

bool SerialPort::Drain(int maxMs) {
    const std::uint32_t start = TickCountMs();
    for (;;) {
        DWORD errors = 0;
        COMSTAT status;
        if (!ClearCommError(handle_, &errors, &status) || status.cbOutQue == 0) return true;
        if (TickCountMs() - start >= static_cast<std::uint32_t>(maxMs)) return false;
        Sleep(2);
    }
}

bool SerialPort::SetBaud(int baud) {
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (handle_ == INVALID_HANDLE_VALUE || !GetCommState(handle_, &dcb)) return false;
    dcb.BaudRate = static_cast<DWORD>(baud);
    return SetCommState(handle_, &dcb) != 0;
}

std::string SerialPort::DriverName() const {
    return "";
}

void SerialPort::FailLineSettingsForTests(bool) {}

void SerialPort::PurgeOutput() {
    if (handle_ != INVALID_HANDLE_VALUE) PurgeComm(handle_, PURGE_TXCLEAR);
}

bool SerialPort::WaitForBytes(int wanted, int timeoutMs) {
    const std::uint32_t start = TickCountMs();
    for (;;) {
        if (BytesWaiting() >= wanted) return true;
        if (timeoutMs <= 0 || TickCountMs() - start >= static_cast<std::uint32_t>(timeoutMs))
            return false;
    }
}

int SerialPort::ReadQueued(void* buffer, int count) {
    if (handle_ == INVALID_HANDLE_VALUE || count <= 0) return 0;
    DWORD got = 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(count), &got, nullptr)) return 0;
    return static_cast<int>(got);
}
