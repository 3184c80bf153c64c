#include "trace_replay.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "sim_log.h"

namespace {

// How long the host may stay quiet after the trace's last byte before the
// replay takes the session as ended.
constexpr int kAfterTraceQuietMs = 300;

}  // namespace

bool LoadTrace(const std::string& path, std::vector<TraceStretch>& stretches, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the trace " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty()) continue;
        std::istringstream fields(line);
        double seconds = 0;
        char direction = 0;
        if (!(fields >> seconds >> direction) || (direction != '>' && direction != '<')) {
            error = path + ":" + std::to_string(number) + ": not a trace line";
            return false;
        }
        if (stretches.empty() || stretches.back().direction != direction)
            stretches.push_back({direction, {}});
        for (std::string hex; fields >> hex;) {
            // A byte is one or two hex digits; a trace edited by hand may hold
            // anything else, which is refused rather than guessed at.
            if (hex.size() > 2 || hex.find_first_not_of("0123456789abcdefABCDEF") !=
                                      std::string::npos) {
                error = path + ":" + std::to_string(number) + ": \"" + hex + "\" is not a byte";
                return false;
            }
            stretches.back().bytes.push_back(static_cast<uint8_t>(std::stoul(hex, nullptr, 16)));
        }
    }
    return true;
}

bool ReplayTrace(PtyLink& link, const std::vector<TraceStretch>& stretches, int quietMs) {
    size_t hostOffset = 0;  // bytes of the host's side of the trace met so far
    bool departed = false;
    for (const TraceStretch& stretch : stretches) {
        if (StopRequested() || !link.IsOpen()) return !departed;
        if (stretch.direction == '<') {
            SimLog("replay: sending %zu bytes", stretch.bytes.size());
            if (!link.Write(stretch.bytes)) return !departed;
            continue;
        }
        size_t got = 0;
        for (int b; got < stretch.bytes.size(); ++got) {
            // The host's first byte is waited for as long as it takes to start it.
            while ((b = link.ReadByte(quietMs)) < 0 && hostOffset + got == 0 && !StopRequested()) {
            }
            if (b < 0) break;
            // The first difference is what matters: after it the receiver's side
            // no longer answers what the host said.
            if (!departed && b != stretch.bytes[got]) {
                std::fprintf(stderr,
                             "quorvex-gpssim: replay: host byte %zu is %02x, the trace has %02x\n",
                             hostOffset + got, b, stretch.bytes[got]);
                departed = true;
            }
        }
        hostOffset += got;
        SimLog("replay: host sent %zu of %zu bytes", got, stretch.bytes.size());
        if (got < stretch.bytes.size()) {
            if (StopRequested()) return !departed;
            if (!departed)
                std::fprintf(stderr,
                             "quorvex-gpssim: replay: the host fell silent after byte %zu\n",
                             hostOffset);
            return false;
        }
    }
    // A host that goes on talking after the trace departs from it too.
    size_t more = 0;
    while (link.ReadByte(kAfterTraceQuietMs) >= 0) ++more;
    if (more > 0 && !departed) {
        std::fprintf(stderr, "quorvex-gpssim: replay: the host sent %zu bytes after the trace\n",
                     more);
        departed = true;
    }
    SimLog("replay: the trace has ended");
    return !departed;
}
