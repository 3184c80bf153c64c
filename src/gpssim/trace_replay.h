#pragma once
// Plays a trace of quorvex-cli --trace back as the receiver: the receiver's
// bytes go out in the order the host met them, each stretch after the host has
// sent as many bytes as it sent before that stretch in the trace.

#include <cstdint>
#include <string>
#include <vector>

#include "pty_link.h"

struct TraceStretch {
    char direction = '>';  // '>' host to receiver, '<' receiver to host
    std::vector<uint8_t> bytes;
};

// Reads a trace file, joining neighbouring lines of one direction; false with
// `error` set when the file cannot be read or a line is not a trace line.
bool LoadTrace(const std::string& path, std::vector<TraceStretch>& stretches, std::string& error);
// Plays `stretches` on `link`, waiting for the host's first byte however long
// it takes. The host's bytes are read and compared with the trace; the first
// difference, a host silent for `quietMs` where the trace has it speak (the
// replay ends there), or bytes after the trace's last, are reported on
// standard error and make the result false.
bool ReplayTrace(PtyLink& link, const std::vector<TraceStretch>& stretches, int quietMs);
