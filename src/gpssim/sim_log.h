#pragma once
// Diagnostics of the simulator on standard error (only with --verbose), so a
// failing test can show what went over the line.

#include <cstdint>
#include <string>
#include <vector>

void SetVerbose(bool on);
bool Verbose();
void SimLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "label: 10 0a 02 ..." when verbose.
void SimLogBytes(const char* label, const std::vector<uint8_t>& bytes);
