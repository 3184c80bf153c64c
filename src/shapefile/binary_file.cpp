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
    storage_.reset(new unsigned char[kBufferSize]);
    buffer_ = storage_.get();
    return true;
}

void BinaryFile::Fail(int error) {
    if (error_ == 0) error_ = error ? error : EIO;
}

void BinaryFile::Flush() {
    if (used_ > 0 && file_ && !Failed()) {
        errno = 0;
        if (std::fwrite(buffer_, 1, used_, file_) != used_) Fail(errno);
    }
    used_ = 0;
}

void BinaryFile::PutSlowly(const void* bytes, size_t n) {
    if (!file_ || !buffer_) return;
    Flush();
    if (n >= kBufferSize) {  // a large block goes straight to the file
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
        storage_.reset(new unsigned char[kBufferSize]);
        buffer_ = storage_.get();
    }
    Flush();
    // Claims are bounded by kMaxClaim, which the buffer always has room for.
    assert(n <= kBufferSize);
    (void)n;
}

void BinaryFile::Rewind() {
    Flush();
    if (!file_ || Failed()) return;
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
    storage_.reset();
    buffer_ = nullptr;
    return error_ == 0;
}

void BinaryFile::CloseAndRemove() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    storage_.reset();
    buffer_ = nullptr;
    used_ = 0;
    if (!path_.empty()) std::remove(path_.c_str());
}

int BinaryFile::WriteWholeFile(const std::string& path, const std::string& text) {
    BinaryFile file;
    if (!file.Create(path)) return file.Error();
    file.Put(text.data(), text.size());
    if (file.Close()) return 0;
    file.CloseAndRemove();
    return file.Error();
}
