#pragma once
// A file created for binary writing through large buffers of its own, so that
// records can be built field by field, in place, without a system call per field.
// The first failure (create, write, seek or close) is kept with its errno; later
// operations do nothing, and Close reports it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/byte_order.h"

class BinaryFile {
  public:
    BinaryFile() = default;
    ~BinaryFile();  // closes without reporting; call Close to learn the outcome
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    // Creates (or replaces) the file. False on failure, with Error() set.
    bool Create(const std::string& path);

    void Put(const void* bytes, size_t n) {
        if (used_ + n <= kBufferSize && buffer_) {
            std::memcpy(buffer_ + used_, bytes, n);
            used_ += n;
        } else {
            PutSlowly(bytes, n);
        }
    }
    void PutByte(unsigned char b) { Put(&b, 1); }
    void PutLE32(int32_t v) { ::PutLE32(Claim(4), static_cast<uint32_t>(v)); }
    void PutDouble(double v) { PutLEDouble(Claim(8), v); }  // little-endian IEEE 754

    // Room for the next n bytes (n at most kMaxClaim), to be filled by the
    // caller before any other call: a record built in place. After a failure the
    // bytes go nowhere.
    unsigned char* Claim(size_t n) {
        if (used_ + n > kBufferSize || !buffer_) MakeRoom(n);
        unsigned char* p = buffer_ + used_;
        used_ += n;
        return p;
    }
    static constexpr size_t kMaxClaim = 1 << 19;

    // Writes what is buffered and moves to the start of the file.
    void Rewind();

    // Writes what is buffered and closes. True when every operation since Create
    // succeeded.
    bool Close();

    // Closes and deletes the file: for a file whose writing failed or was given
    // up, so that no truncated file is left behind. Error() is kept.
    void CloseAndRemove();

    // Creates `path` holding exactly `text`. 0 when done, else the errno of the
    // failure (and no file is left).
    static int WriteWholeFile(const std::string& path, const std::string& text);

    bool Failed() const { return error_ != 0; }
    int Error() const { return error_; }  // errno of the first failure, 0 if none
    const std::string& Path() const { return path_; }

  private:
    void Flush();
    void Fail(int error);
    void PutSlowly(const void* bytes, size_t n);
    void MakeRoom(size_t n);

    static constexpr size_t kBufferSize = 1 << 20;

    std::FILE* file_ = nullptr;
    std::string path_;
    std::unique_ptr<unsigned char[]> storage_;  // kBufferSize bytes
    unsigned char* buffer_ = nullptr;           // storage_, once there is one
    size_t used_ = 0;
    int error_ = 0;
};
