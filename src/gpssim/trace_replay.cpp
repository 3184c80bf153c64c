#include "trace_replay.h"

#include <fstream>
#include <sstream>

#include "sim_log.h"

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
        for (std::string hex; fields >> hex;)
            stretches.back().bytes.push_back(static_cast<uint8_t>(std::stoul(hex, nullptr, 16)));
    }
    return true;
}

void ReplayTrace(PtyLink& link, const std::vector<TraceStretch>& stretches, int quietMs) {
    for (const TraceStretch& stretch : stretches) {
        if (StopRequested() || !link.IsOpen()) return;
        if (stretch.direction == '<') {
            SimLog("replay: sending %zu bytes", stretch.bytes.size());
            if (!link.Write(stretch.bytes)) return;
            continue;
        }
        size_t got = 0;
        while (got < stretch.bytes.size() && link.ReadByte(quietMs) >= 0) ++got;
        SimLog("replay: host sent %zu of %zu bytes", got, stretch.bytes.size());
    }
    SimLog("replay: the trace has ended");
}
