#pragma once
// A serial line in memory for the fuzzing harnesses. memory_serial_port.cpp
// stands in for SerialPort's platform file (serial_port_posix.cpp), so the
// protocol code above it runs unchanged on bytes a harness supplies instead of
// on a terminal device.
//
// The line holds what the receiver sends. Bytes arrive when the host waits for
// them, none are queued ahead of a wait (a host discarding its input loses
// nothing), and a wait for bytes the line does not hold is a time-out: it
// passes at once, and TickCountMs moves on by its length, as if it had been
// waited out. Whatever the host writes is counted and dropped.

#include <cstddef>
#include <cstdint>

// Makes `size` bytes at `data` what every open SerialPort reads next; the bytes
// must stay valid until the line is plugged again.
void PlugLine(const std::uint8_t* data, size_t size);

// Bytes of the plugged line not read yet.
size_t LineBytesLeft();

// Bytes the host has written since the line was plugged.
size_t LineBytesWritten();
