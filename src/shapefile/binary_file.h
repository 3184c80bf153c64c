#pragma once
// A file created for binary writing through a large buffer of its own, so that
// records can be written field by field without a system call per field.
// The first failure (create, write, seek or close) is kept with its errno; later
// operations do nothing, and Close reports it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class BinaryFile {
  public:
    BinaryFile() = default;
    ~BinaryFile();  // closes without reporting; call Close to learn the outcome
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    // Creates (or replaces) the file. False on failure, with Error() set.
    bool Create(const std::string& path);

    void Put(const void* bytes, size_t n);
    void PutByte(unsigned char b) { Put(&b, 1); }
    void PutLE32(int32_t v);
    void PutDouble(double v);  // little-endian IEEE 754

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

    static constexpr size_t kBufferSize = 1 << 18;

    std::FILE* file_ = nullptr;
    std::string path_;
    std::unique_ptr<unsigned char[]> buffer_;
    size_t used_ = 0;
    int error_ = 0;
};
