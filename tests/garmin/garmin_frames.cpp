#include "garmin_frames.h"

#include <chrono>
#include <cstdlib>

namespace {

constexpr unsigned char kDle = 0x10;
constexpr unsigned char kEtx = 0x03;

void PutStuffed(Bytes* out, unsigned char byte) {
    out->push_back(byte);
    if (byte == kDle) out->push_back(kDle);
}

}  // namespace

unsigned char FrameChecksum(int id, const Bytes& data) {
    unsigned sum = static_cast<unsigned>(id) + static_cast<unsigned>(data.size());
    for (unsigned char b : data) sum += b;
    return static_cast<unsigned char>(256 - (sum & 0xFF));
}

Bytes GarminFrame(int id, const Bytes& data, int checksumDelta) {
    auto checksum = static_cast<unsigned char>(FrameChecksum(id, data) + checksumDelta);
    Bytes frame = {kDle, static_cast<unsigned char>(id)};
    PutStuffed(&frame, static_cast<unsigned char>(data.size()));
    for (unsigned char b : data) PutStuffed(&frame, b);
    PutStuffed(&frame, checksum);
    frame.push_back(kDle);
    frame.push_back(kEtx);
    return frame;
}

bool ReadHostFrame(PtyPair& pty, HostFrame* frame, int timeoutMs) {
    auto start = std::chrono::steady_clock::now();
    auto left = [&] {
        auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count();
        return timeoutMs - static_cast<int>(spent);
    };
    auto next = [&](unsigned char* byte) {
        int remaining = left();
        if (remaining <= 0) return false;
        Bytes one = pty.Receive(1, remaining);
        if (one.empty()) return false;
        *byte = one[0];
        return true;
    };
    unsigned char byte = 0;
    do {
        if (!next(&byte)) return false;
    } while (byte != kDle);
    unsigned char id = 0;
    if (!next(&id)) return false;
    Bytes body;  // size, data, checksum, unstuffed
    for (;;) {
        if (!next(&byte)) return false;
        if (byte == kDle) {
            unsigned char after = 0;
            if (!next(&after)) return false;
            if (after == kEtx) break;
        }
        body.push_back(byte);
    }
    if (body.size() < 2) return false;
    frame->id = id;
    frame->data.assign(body.begin() + 1, body.end() - 1);
    unsigned sum = id;
    for (unsigned char b : body) sum += b;
    frame->checksumOk = (sum & 0xFF) == 0 && body[0] == frame->data.size();
    return true;
}

std::vector<HostFrame> ReadHostFrames(PtyPair& pty, int quietMs) {
    std::vector<HostFrame> frames;
    HostFrame frame;
    while (ReadHostFrame(pty, &frame, quietMs)) frames.push_back(frame);
    return frames;
}

Bytes CapabilityData(const std::vector<std::string>& entries) {
    Bytes data;
    for (const auto& entry : entries) {
        int number = std::atoi(entry.c_str() + 1);
        data.push_back(static_cast<unsigned char>(entry[0]));
        data.push_back(static_cast<unsigned char>(number & 0xFF));
        data.push_back(static_cast<unsigned char>(number >> 8));
    }
    return data;
}

Bytes ProductData(int productId, const std::string& description, int version) {
    Bytes data = {static_cast<unsigned char>(productId & 0xFF),
                  static_cast<unsigned char>((productId >> 8) & 0xFF),
                  static_cast<unsigned char>(version & 0xFF),
                  static_cast<unsigned char>((version >> 8) & 0xFF)};
    data.insert(data.end(), description.begin(), description.end());
    return data;
}
