#include "shapefile/binary_file.h"

#include <cassert>
#include <cerrno>
#include <cstring>
#include <system_error>

BinaryFile::~BinaryFile() {
    StopWriter();
    if (file_) std::fclose(file_);
}

bool BinaryFile::Create(const std::string& path) {
    path_ = path;
    error_ = 0;
    used_ = 0;
    errno = 0;
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        Fail(errno ? errno : EIO);
        return false;
    }
    // The object buffers on its own; a second buffer in stdio would only copy.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    buffers_.reset(new unsigned char[2 * kBufferSize]);
    buffer_ = buffers_.get();
    stop_ = false;
    try {
        writer_ = std::thread(&BinaryFile::WriterLoop, this);
    } catch (const std::system_error&) {
        // No thread to be had: Flush writes in the caller's thread instead.
    }
    return true;
}

void BinaryFile::WriterLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return handed_ || stop_; });
        if (!handed_) return;
        const unsigned char* bytes = handed_;
        size_t n = handedSize_;
        lock.unlock();
        if (!Failed()) {
            errno = 0;
            if (std::fwrite(bytes, 1, n, file_) != n) Fail(errno);
        }
        lock.lock();
        handed_ = nullptr;
        changed_.notify_all();
    }
}

void BinaryFile::WaitForWriter() {
    if (!writer_.joinable()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !handed_; });
}

void BinaryFile::StopWriter() {
    if (!writer_.joinable()) return;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !handed_; });
        stop_ = true;
        changed_.notify_all();
    }
    writer_.join();
}

void BinaryFile::Fail(int error) {
    int none = 0;
    error_.compare_exchange_strong(none, error ? error : EIO);
}

void BinaryFile::Flush() {
    if (used_ == 0 || !file_ || Failed()) {
        used_ = 0;
        return;
    }
    if (!writer_.joinable()) {
        errno = 0;
        if (std::fwrite(buffer_, 1, used_, file_) != used_) Fail(errno);
        used_ = 0;
        return;
    }
    {
        // Hand the filled buffer over and go on with the other one.
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !handed_; });
        handed_ = buffer_;
        handedSize_ = used_;
        changed_.notify_all();
    }
    buffer_ = buffer_ == buffers_.get() ? buffers_.get() + kBufferSize : buffers_.get();
    used_ = 0;
}

void BinaryFile::PutSlowly(const void* bytes, size_t n) {
    if (!file_ || !buffer_) return;
    Flush();
    if (n >= kBufferSize) {  // a large block goes straight to the file
        WaitForWriter();
        if (Failed()) return;
        errno = 0;
        if (std::fwrite(bytes, 1, n, file_) != n) Fail(errno);
        return;
    }
    std::memcpy(buffer_, bytes, n);
    used_ = n;
}

void BinaryFile::MakeRoom(size_t n) {
    if (!buffer_) {  // never created: the bytes go nowhere
        buffers_.reset(new unsigned char[2 * kBufferSize]);
        buffer_ = buffers_.get();
    }
    Flush();
    // Claims are bounded by kMaxClaim, which the buffer always has room for.
    assert(n <= kBufferSize);
    (void)n;
}

void BinaryFile::Rewind() {
    Flush();
    WaitForWriter();
    if (!file_ || Failed()) return;
    errno = 0;
    if (std::fseek(file_, 0, SEEK_SET) != 0) Fail(errno);
}

bool BinaryFile::Close() {
    Flush();
    StopWriter();
    if (file_) {
        errno = 0;
        if (std::fclose(file_) != 0) Fail(errno);
        file_ = nullptr;
    }
    buffers_.reset();
    buffer_ = nullptr;
    return error_ == 0;
}

void BinaryFile::CloseAndRemove() {
    StopWriter();
    if (file_) std::fclose(file_);
    file_ = nullptr;
    buffers_.reset();
    buffer_ = nullptr;
    used_ = 0;
    if (!path_.empty()) std::remove(path_.c_str());
}
