// The QUORVEX.XRF reader on arbitrary file contents: lines of any length,
// without line feeds, with NUL bytes and CRs, numbers of any size. The first two
// bytes are the product ID looked up (signed 16-bit, as the product data packet
// carries it); the rest is the file. The ID at the start of the file is looked
// up as well, so that the field reading of a found line is always exercised.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "garmin/protocol_table_file.h"
#include "harness_support.h"

namespace {

// One file per process, rewritten for every input and removed at exit.
class TableFile {
  public:
    TableFile() {
        // In memory where the system has such a directory: a file on disk costs
        // up to forty times as much per run.
        std::error_code error;
        std::filesystem::path directory = "/dev/shm";
        if (!std::filesystem::is_directory(directory, error))
            directory = std::filesystem::temp_directory_path(error);
        if (error) directory = "/tmp";
        std::string pattern = (directory / "quorvex-xrf-XXXXXX").string();
        int fd = mkstemp(pattern.data());
        if (fd < 0) FuzzFailure("no temporary file for the table");
        close(fd);
        path_ = pattern;
    }
    ~TableFile() { std::remove(path_.c_str()); }

    const std::string& Write(const std::uint8_t* bytes, size_t size) {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (file == nullptr) FuzzFailure("the table file cannot be written");
        if (size > 0 && std::fwrite(bytes, 1, size, file) != size)
            FuzzFailure("the table file cannot be written");
        std::fclose(file);
        return path_;
    }

  private:
    std::string path_;
};

// Looks the product up; a line found fills what it names, nothing else happens.
void Lookup(const std::string& path, int productId) {
    ProtocolTable table;
    ReadProtocolTableFile(path, productId, &table);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static TableFile file;
    QuietFeedback quiet;
    FuzzInput in(data, size);
    const std::uint8_t low = in.Byte();
    const std::uint8_t high = in.Byte();
    const int productId = static_cast<std::int16_t>(low | (high << 8));
    const std::string& path = file.Write(in.Rest(), in.Left());
    Lookup(path, productId);

    // The number the file begins with, read the way the reader reads it.
    const std::string start(reinterpret_cast<const char*>(in.Rest()),
                            in.Left() < 32 ? in.Left() : 32);
    char* end = nullptr;
    const long first = std::strtol(start.c_str(), &end, 10);
    if (end != start.c_str() && first >= INT32_MIN && first <= INT32_MAX)
        Lookup(path, static_cast<int>(first));
    return 0;
}
