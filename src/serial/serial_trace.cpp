#include "serial/serial_trace.h"

#include <chrono>
#include <cstdio>

namespace {

std::FILE* traceFile = nullptr;
std::chrono::steady_clock::time_point traceStart;

}  // namespace

bool StartSerialTrace(const std::string& path) {
    StopSerialTrace();
    traceFile = std::fopen(path.c_str(), "w");
    traceStart = std::chrono::steady_clock::now();
    return traceFile != nullptr;
}

void StopSerialTrace() {
    if (traceFile != nullptr) std::fclose(traceFile);
    traceFile = nullptr;
}

void TraceSerialBytes(char direction, const void* bytes, size_t count) {
    if (traceFile == nullptr || count == 0) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - traceStart).count();
    std::fprintf(traceFile, "%.6f %c", seconds, direction);
    const auto* data = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < count; ++i) std::fprintf(traceFile, " %02x", data[i]);
    std::fputc('\n', traceFile);
    // A trace is wanted most when the program does not end normally.
    std::fflush(traceFile);
}
