// SerialPort's platform half over the memory line of memory_line.h: opening
// always succeeds, reads take the plugged bytes, writes are counted. The shared
// half (serial_port.cpp: Read, ReadByte, ReadLine, DiscardInput) is the
// program's own.

#include <time.h>

#include <string>

#include "memory_line.h"
#include "serial/serial_port.h"

namespace {

struct MemoryLine {
    const std::uint8_t* data = nullptr;
    size_t size = 0;
    size_t position = 0;
    size_t written = 0;
    // Time-outs that have "passed" without anybody waiting for them.
    std::uint64_t skippedMs = 0;

    size_t Left() const { return size - position; }
};

MemoryLine g_line;

}  // namespace

void PlugLine(const std::uint8_t* data, size_t size) {
    g_line.data = data;
    g_line.size = data != nullptr ? size : 0;
    g_line.position = 0;
    g_line.written = 0;
}

size_t LineBytesLeft() {
    return g_line.Left();
}

size_t LineBytesWritten() {
    return g_line.written;
}

std::uint32_t TickCountMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t real = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                               static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(real + g_line.skippedMs);
}

std::string SerialDevicePath(const char* portName) {
    return portName != nullptr ? portName : "";
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

bool SerialPort::Open(const char* portName, const char* /*settings*/) {
    devicePath_ = SerialDevicePath(portName);
    handle_ = 0;
    return true;
}

void SerialPort::Close() {
    ReleaseHandle();
}

void SerialPort::ReleaseHandle() {
    handle_ = -1;
    pending_.clear();
    pendingStart_ = 0;
}

bool SerialPort::FailAndClose(const char* /*format*/, int /*error*/) {
    ReleaseHandle();
    return false;
}

int SerialPort::Write(const void* bytes, int length) {
    if (handle_ < 0 || bytes == nullptr || length <= 0) return 0;
    g_line.written += static_cast<size_t>(length);
    return length;
}

int SerialPort::BytesWaiting() {
    return 0;
}

void SerialPort::PurgeOutput() {}

bool SerialPort::Drain(int) {
    return true;
}

bool SerialPort::SetBaud(int) {
    return handle_ >= 0;
}

std::string SerialPort::DriverName() const {
    return "";
}

void SerialPort::FailLineSettingsForTests(bool) {}

bool SerialPort::WaitForBytes(int wanted, int timeoutMs) {
    if (wanted <= 0 || g_line.Left() >= static_cast<size_t>(wanted)) return true;
    if (timeoutMs > 0) g_line.skippedMs += static_cast<std::uint64_t>(timeoutMs);
    return false;
}

int SerialPort::ReadQueued(void* buffer, int count) {
    if (handle_ < 0 || count <= 0) return 0;
    size_t got =
        g_line.Left() < static_cast<size_t>(count) ? g_line.Left() : static_cast<size_t>(count);
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (size_t i = 0; i < got; ++i) out[i] = g_line.data[g_line.position + i];
    g_line.position += got;
    return static_cast<int>(got);
}
