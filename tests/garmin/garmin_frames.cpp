#include "garmin_frames.h"

#include <chrono>
#include <cstdlib>

unsigned char FrameChecksum(int id, const Bytes& data) {
    unsigned sum = static_cast<unsigned>(id) + static_cast<unsigned>(data.size());
    for (unsigned char b : data) sum += b;
    return static_cast<unsigned char>(256 - (sum & 0xFF));
}

Bytes GarminFrame(int id, const Bytes& data, int checksumDelta) {
    Bytes body = {static_cast<unsigned char>(data.size())};
    body.insert(body.end(), data.begin(), data.end());
    body.push_back(static_cast<unsigned char>(FrameChecksum(id, data) + checksumDelta));
    Bytes frame = {0x10, static_cast<unsigned char>(id)};
    for (unsigned char b : body) {
        frame.push_back(b);
        if (b == 0x10) frame.push_back(b);
    }
    frame.insert(frame.end(), {0x10, 0x03});
    return frame;
}

bool ReadHostFrame(PtyPair& pty, HostFrame* frame, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto next = [&](unsigned char* byte) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        Bytes one = left > 0 ? pty.Receive(1, static_cast<int>(left)) : Bytes();
        if (!one.empty()) *byte = one[0];
        return !one.empty();
    };
    unsigned char byte = 0, id = 0;
    do {
        if (!next(&byte)) return false;
    } while (byte != 0x10);
    if (!next(&id)) return false;
    Bytes body;  // size, data, checksum, unstuffed
    for (;;) {
        if (!next(&byte)) return false;
        if (byte == 0x10) {
            if (!next(&byte)) return false;
            if (byte == 0x03) break;
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
        data.insert(data.end(),
                    {static_cast<unsigned char>(entry[0]), static_cast<unsigned char>(number),
                     static_cast<unsigned char>(number >> 8)});
    }
    return data;
}

Bytes ProductData(int productId, const std::string& description) {
    Bytes data = {static_cast<unsigned char>(productId), static_cast<unsigned char>(productId >> 8),
                  0x38, 0x01};
    data.insert(data.end(), description.begin(), description.end());
    return data;
}
