#pragma once
// A file created for binary writing through large buffers of its own, so that
// records can be written field by field without a system call per field. A full
// buffer is handed to a writer thread of the file while the caller fills the
// other one, so building records and copying them into the system overlap.
// The first failure (create, write, seek or close) is kept with its errno; later
// operations do nothing, and Close reports it.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

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

    bool Failed() const { return error_ != 0; }
    int Error() const { return error_; }  // errno of the first failure, 0 if none
    const std::string& Path() const { return path_; }

  private:
    void Flush();
    void Fail(int error);
    void PutSlowly(const void* bytes, size_t n);
    void MakeRoom(size_t n);
    // Waits until the writer thread has written what it was given.
    void WaitForWriter();
    void StopWriter();
    void WriterLoop();

    static constexpr size_t kBufferSize = 1 << 20;

    std::FILE* file_ = nullptr;
    std::string path_;
    std::unique_ptr<unsigned char[]> buffers_;  // two buffers of kBufferSize
    unsigned char* buffer_ = nullptr;           // the one being filled
    size_t used_ = 0;

    // Shared with the writer thread, under mutex_.
    std::thread writer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    const unsigned char* handed_ = nullptr;  // bytes for the writer, or none
    size_t handedSize_ = 0;
    bool stop_ = false;
    std::atomic<int> error_{0};  // also set by the writer thread
};
