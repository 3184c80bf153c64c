// AttributeStore::WriteDbf: the .DBF member of a layer's shapefile set. The table
// keeps its header and field descriptors in file layout, so writing completes the
// header and then writes header, descriptors and records as they stand.

#include <cerrno>
#include <ctime>

#include "core/byte_order.h"
#include "layers/attribute_store.h"
#include "shapefile/binary_file.h"

namespace {

constexpr unsigned char kHeaderEnd = 0x0D;
constexpr unsigned char kFileEnd = 0x1A;

}  // namespace

bool AttributeStore::WriteDbf(int table, const std::string& directory) {
    if (table < 0 || table >= tableCount || tables[table].deleted) {
        errno = EINVAL;
        return false;
    }
    AttributeTable& t = tables[table];
    int64_t recordBytes = static_cast<int64_t>(RecordCount(table)) * t.RecordLength();
    if (recordBytes > t.bufferSize) {  // a header that promises more than the buffer holds
        errno = EINVAL;
        return false;
    }

    // Date of the last update, local time.
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    t.dbfHeader[1] = static_cast<unsigned char>(local.tm_year);
    t.dbfHeader[2] = static_cast<unsigned char>(local.tm_mon + 1);
    t.dbfHeader[3] = static_cast<unsigned char>(local.tm_mday);
    PutLE16(t.dbfHeader + 8, static_cast<uint16_t>(32 * t.fieldCount + 33));
    for (int i = 12; i < 32; ++i) t.dbfHeader[i] = 0;

    BinaryFile file;
    if (!file.Create(DbfPath(table, directory))) {
        errno = file.Error();
        return false;
    }
    file.Put(t.dbfHeader, sizeof t.dbfHeader);
    for (int i = 0; i < t.fieldCount; ++i) file.Put(&t.fields[i], sizeof(FieldDef));
    file.PutByte(kHeaderEnd);
    if (recordBytes > 0) file.Put(t.records.get(), static_cast<size_t>(recordBytes));
    file.PutByte(kFileEnd);
    if (!file.Close()) {
        file.CloseAndRemove();
        errno = file.Error();
        return false;
    }
    return true;
}
