#include "garmin/garmin_lexer.h"

namespace {

constexpr unsigned char kDle = 0x10;
constexpr unsigned char kEtx = 0x03;

// Unstuffed bytes of the longest frame: id, size, 255 data bytes, checksum.
constexpr size_t kMaxContent = 3 + GarminLexer::kMaxData;

}  // namespace

void GarminLexer::Feed(const unsigned char* bytes, size_t count) {
    if (count == 0) return;
    Compact();
    buffer_.insert(buffer_.end(), bytes, bytes + count);
}

void GarminLexer::Compact() {
    if (pos_ == 0) return;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos_));
    dropped_ += pos_;
    pos_ = 0;
}

void GarminLexer::Clear() {
    dropped_ += buffer_.size();
    buffer_.clear();
    pos_ = 0;
}

bool GarminLexer::InFrame() const {
    return pos_ < buffer_.size();
}

int GarminLexer::DropPartialFrame() {
    const int id = pos_ + 1 < buffer_.size() ? buffer_[pos_ + 1] : -1;
    Clear();
    return id;
}

GarminLexer::Result GarminLexer::Next() {
    for (;;) {
        // Skip to the next DLE that is followed by a packet ID.
        while (pos_ < buffer_.size() && buffer_[pos_] != kDle) ++pos_;
        if (buffer_.size() - pos_ < 2) return kNeedMore;
        const unsigned char id = buffer_[pos_ + 1];
        if (id == kDle || id == kEtx) {
            ++pos_;
            continue;
        }

        content_.assign(1, id);
        bool notAFrame = false;
        size_t i = pos_ + 2;
        while (!notAFrame) {
            if (i >= buffer_.size()) return kNeedMore;
            const unsigned char byte = buffer_[i];
            if (byte != kDle) {
                content_.push_back(byte);
                ++i;
            } else {
                if (i + 1 >= buffer_.size()) return kNeedMore;
                const unsigned char next = buffer_[i + 1];
                if (next == kEtx) break;
                if (next != kDle) notAFrame = true;  // a frame start, or noise
                content_.push_back(kDle);
                i += 2;
            }
            if (content_.size() > kMaxContent) notAFrame = true;
        }
        if (notAFrame) {
            ++pos_;
            continue;
        }

        // The frame ended in DLE ETX at i: check it whole.
        frameOffset_ = dropped_ + pos_;
        pos_ = i + 2;
        id_ = id;
        unsigned int sum = 0;
        for (unsigned char byte : content_) sum += byte;
        const bool intact = content_.size() >= 3 &&
                            content_.size() == static_cast<size_t>(content_[1]) + 3 &&
                            (sum & 0xFFu) == 0;
        size_ = intact ? content_[1] : 0;
        return intact ? kPacket : kBadFrame;
    }
}
