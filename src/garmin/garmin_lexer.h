#pragma once
// Finds Garmin packets in the bytes of a serial line. It is fed whatever bytes
// are waiting and hands out only frames that ended in DLE ETX; the size byte,
// the DLE stuffing and the checksum are checked on the whole frame, never
// trusted while reading it.
//
// Frame on the wire:
//   DLE(0x10) id size data[size] checksum DLE(0x10) ETX(0x03)
// Every 0x10 in the size, the data or the checksum is followed by a second 0x10;
// the id is never stuffed (and is never DLE or ETX). The checksum makes the sum of
// id, size, data and checksum 0 modulo 256.
//
// When what began at a DLE turns out not to be a frame (a DLE inside it followed
// by anything but DLE or ETX, or more bytes than any frame holds), the search
// for a frame start resumes at the byte after that DLE, so noise before a frame
// never swallows it.

#include <cstddef>
#include <cstdint>
#include <vector>

class GarminLexer {
  public:
    enum Result {
        kNeedMore,  // no complete frame among the bytes fed so far
        kPacket,    // an intact frame: Id(), Size(), Data()
        kBadFrame,  // a frame that ended in DLE ETX but whose size or checksum is wrong: Id()
    };
    // The most data bytes a packet carries.
    static constexpr int kMaxData = 255;

    void Feed(const unsigned char* bytes, size_t count);
    // Looks for the next frame among the bytes fed; a frame handed out is consumed.
    Result Next();
    // True while a frame has begun and has not ended yet.
    bool InFrame() const;
    // Drops the frame that began and did not end (the line went quiet inside it),
    // and every byte fed after its start. Its packet ID, -1 when not even that came.
    int DropPartialFrame();
    // Forgets every byte fed.
    void Clear();

    // The packet (or bad frame) Next handed out last.
    int Id() const { return id_; }
    int Size() const { return size_; }
    const unsigned char* Data() const { return content_.data() + 2; }
    // Offset of that frame's first DLE among all bytes ever fed.
    std::uint64_t FrameOffset() const { return frameOffset_; }

  private:
    // Drops the bytes before pos_ from the buffer.
    void Compact();

    std::vector<unsigned char> buffer_;
    size_t pos_ = 0;              // where the search for a frame start goes on
    std::uint64_t dropped_ = 0;   // bytes fed and since dropped from buffer_
    std::vector<unsigned char> content_;  // id, size, data, checksum of a frame, unstuffed
    int id_ = -1;
    int size_ = 0;
    std::uint64_t frameOffset_ = 0;
};
