#include "sim_log.h"

#include <cstdarg>
#include <cstdio>

static bool s_verbose = false;

void SetVerbose(bool on) {
    s_verbose = on;
}
bool Verbose() {
    return s_verbose;
}

void SimLog(const char* format, ...) {
    if (!s_verbose) return;
    std::va_list args;
    va_start(args, format);
    std::fputs("quorvex-gpssim: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
}

void SimLogBytes(const char* label, const std::vector<uint8_t>& bytes) {
    if (!s_verbose) return;
    std::string text;
    char hex[4];
    for (uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, " %02x", b);
        text += hex;
    }
    SimLog("%s:%s", label, text.c_str());
}
