#include "shapefile/binary_file.h"

#include <cassert>
#include <cerrno>
#include <cstring>

BinaryFile::~BinaryFile() {
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
    buffer_.reset(new unsigned char[kBufferSize]);
    return true;
}

void BinaryFile::Fail(int error) {
    if (error_ == 0) error_ = error ? error : EIO;
}

void BinaryFile::Flush() {
    if (used_ == 0 || !file_ || error_) {
        used_ = 0;
        return;
    }
    errno = 0;
    if (std::fwrite(buffer_.get(), 1, used_, file_) != used_) Fail(errno);
    used_ = 0;
}

void BinaryFile::PutSlowly(const void* bytes, size_t n) {
    if (!file_ || error_) return;
    Flush();
    if (n >= kBufferSize) {  // a large block goes straight to the file
        errno = 0;
        if (!error_ && std::fwrite(bytes, 1, n, file_) != n) Fail(errno);
        return;
    }
    std::memcpy(buffer_.get(), bytes, n);
    used_ = n;
}

void BinaryFile::MakeRoom(size_t n) {
    if (!buffer_) buffer_.reset(new unsigned char[kBufferSize]);
    Flush();
    // Claims are bounded by kMaxClaim, which the buffer always has room for.
    assert(n <= kBufferSize);
    (void)n;
}

void BinaryFile::Rewind() {
    Flush();
    if (!file_ || error_) return;
    errno = 0;
    if (std::fseek(file_, 0, SEEK_SET) != 0) Fail(errno);
}

bool BinaryFile::Close() {
    Flush();
    if (file_) {
        errno = 0;
        if (std::fclose(file_) != 0) Fail(errno);
        file_ = nullptr;
    }
    buffer_.reset();
    return error_ == 0;
}

void BinaryFile::CloseAndRemove() {
    int error = error_;
    if (file_) std::fclose(file_);
    file_ = nullptr;
    buffer_.reset();
    used_ = 0;
    if (!path_.empty()) std::remove(path_.c_str());
    error_ = error;
}
