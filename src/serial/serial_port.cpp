// The reads of SerialPort that are the same on every platform; the platform
// files supply opening, writing, the queued count and the waiting.

#include "serial/serial_port.h"

unsigned char SerialPort::ReadByte(int timeoutMs) {
    unsigned char byte[2] = {0, 0};
    return Read(byte, 1, timeoutMs) == 1 ? byte[0] : 0;
}

int SerialPort::Read(void* buffer, int count, int timeoutMs) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    if (bytes == nullptr || count < 0) return 0;
    if (!IsOpen() || count == 0) {
        bytes[0] = 0;
        return 0;
    }
    WaitForBytes(count, timeoutMs);
    int got = ReadQueued(bytes, count);
    bytes[got] = 0;
    return got;
}

int SerialPort::ReadSome(void* buffer, int count, int timeoutMs) {
    if (buffer == nullptr || count <= 0 || !IsOpen()) return 0;
    WaitForBytes(1, timeoutMs);
    return ReadQueued(buffer, count);
}

int SerialPort::ReadLine(char* buffer, char delimiter, int maximum, int timeoutMs) {
    if (buffer == nullptr) return 0;
    buffer[0] = '\0';
    if (!IsOpen() || maximum <= 0) return 0;
    for (int i = 0; i < maximum; ++i) {
        // Read terminates the text after the byte it stores.
        if (Read(buffer + i, 1, timeoutMs) == 0) return i;
        if (buffer[i] == delimiter) return i + 1;
    }
    buffer[maximum] = '\0';
    return maximum;
}

void SerialPort::DiscardInput() {
    // The count is taken once: bytes that arrive while discarding stay queued.
    // The text buffer takes them in chunks, however many there are.
    int remaining = BytesWaiting();
    while (remaining > 0) {
        int chunk = remaining < static_cast<int>(sizeof(text_)) ? remaining
                                                                : static_cast<int>(sizeof(text_));
        int got = ReadQueued(text_, chunk);
        if (got <= 0) break;
        remaining -= got;
    }
}
