#pragma once
// A record of every byte of the serial line, both ways, with the time it
// passed: what a user whose receiver misbehaves can send in, and what the
// simulator can play back as that receiver. One line per chunk:
//   <seconds since the trace began> <'>' host to receiver | '<' receiver to host> <hex bytes>

#include <cstddef>
#include <string>

// Starts writing the trace to `path` (replacing the file); false when it
// cannot be created. Until then, and after StopSerialTrace, nothing is recorded.
bool StartSerialTrace(const std::string& path);
void StopSerialTrace();
// Records `count` bytes that went `direction` ('>' or '<').
void TraceSerialBytes(char direction, const void* bytes, size_t count);
