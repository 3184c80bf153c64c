#include "line_faults.h"

#include "sim_log.h"

void LineFaults::StartSession() {
    sentInSession_ = 0;
    if (silent_) SimLog("new session: answering again");
    silent_ = false;
}

bool LineFaults::BeginData() {
    if (!MaySend()) return false;
    if (options_.silentAfter >= 0 && sentInSession_ >= options_.silentAfter) {
        SimLog("falling silent after %d data packets", sentInSession_);
        silent_ = true;
        return false;
    }
    return true;
}

void LineFaults::DataSent() {
    ++sentInSession_;
    ++sentTotal_;
    if (options_.closeAfter >= 0 && sentTotal_ >= options_.closeAfter) {
        SimLog("closing the device after %d data packets", sentTotal_);
        link_.CloseAfterDrain(1000);
    }
}

std::vector<uint8_t> LineFaults::Garbage() {
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(options_.garbage));
    while (static_cast<int>(out.size()) < options_.garbage) {
        seed_ = seed_ * 1103515245u + 12345u;
        uint8_t c = static_cast<uint8_t>(0x21 + (seed_ >> 16) % 94);
        if (c == '$' || c == '*') continue;
        out.push_back(c);
    }
    return out;
}
