#include "pictures/picture_time.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <vector>

#include "pictures/text_scanner.h"

#if defined(__linux__)
#include <fcntl.h>

#include <cerrno>
#endif

bool FindDateText(const char* bytes, size_t count, PictureRecord* record) {
    const char* end = bytes + count;
    size_t i = 0;
    while (i < count) {
        if (bytes[i] != '2') {
            ++i;
            continue;
        }
        TextScanner scan(bytes + i, end);
        int32_t v[6];
        bool read = scan.Integer(&v[0]) && scan.Literal(':') && scan.Integer(&v[1]) &&
                    scan.Literal(':') && scan.Integer(&v[2]);
        if (read) {
            scan.Spaces();
            read = scan.Integer(&v[3]) && scan.Literal(':') && scan.Integer(&v[4]) &&
                   scan.Literal(':') && scan.Integer(&v[5]);
        }
        if (read) {
            int64_t seconds = int64_t{v[3]} * 3600 + int64_t{v[4]} * 60 + v[5];
            if (seconds > INT32_MAX) seconds = INT32_MAX;
            if (seconds < -INT32_MAX) seconds = -INT32_MAX;
            record->year = v[0];
            record->month = v[1] - 1;
            record->day = v[2];
            record->seconds = static_cast<int32_t>(seconds);
            return true;
        }
        // A try from a later '2' of the same digit run reads the same digits up to
        // the same byte and so fails the same way: go on behind the run. This keeps
        // the search linear on files full of digits.
        while (i < count && TextScanner::IsDigit(bytes[i])) ++i;
    }
    return false;
}

namespace {

void MarkNoTime(PictureRecord* record) {
    record->year = 0;
    record->month = -1;
    record->day = 0;
    record->seconds = 0;
}

// The creation time of a file: its birth time where the file system records one,
// else the time its status last changed, which is the nearest it keeps.
bool FileCreationTime(const std::string& path, time_t* when) {
#if defined(_WIN32)
    struct _stat64 status;
    if (_stat64(path.c_str(), &status) != 0) return false;
    *when = static_cast<time_t>(status.st_ctime);
    return true;
#else
#if defined(__linux__) && defined(STATX_BTIME)
    struct statx extended;
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_CTIME, &extended) == 0) {
        *when = (extended.stx_mask & STATX_BTIME) ? extended.stx_btime.tv_sec
                                                  : extended.stx_ctime.tv_sec;
        return true;
    }
    if (errno != ENOSYS) return false;
#endif
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return false;
    *when = status.st_ctime;
    return true;
#endif
}

bool LocalTime(time_t when, std::tm* out) {
#if defined(_WIN32)
    return localtime_s(out, &when) == 0;
#else
    return localtime_r(&when, out) != nullptr;
#endif
}

// Reads up to `capacity` bytes from the start of the file into `buffer`; 0 when
// it cannot be opened. Only regular files are read, so that a named pipe or a
// device among the selection cannot block the program.
size_t ReadFileStart(const std::string& path, char* buffer, size_t capacity) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    size_t count = std::fread(buffer, 1, capacity, file);
    std::fclose(file);
    return count;
}

}  // namespace

bool ReadCreationTime(PictureRecord* record) {
    time_t when;
    std::tm local{};
    if (!FileCreationTime(record->path, &when) || !LocalTime(when, &local)) {
        MarkNoTime(record);
        return false;
    }
    record->year = local.tm_year + 1900;
    record->month = local.tm_mon;
    record->day = local.tm_mday;
    record->seconds = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return true;
}

void ReadPictureTime(PictureRecord* record) {
    std::vector<char> buffer(kDateTextSearchBytes);
    size_t count = ReadFileStart(record->path, buffer.data(), buffer.size());
    if (!FindDateText(buffer.data(), count, record)) ReadCreationTime(record);
}
