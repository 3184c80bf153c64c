// AttributeStore::WriteDbf: the .DBF member of a layer's shapefile set. The table
// keeps its header and field descriptors in file layout, so writing completes the
// header and then writes header, descriptors and records as they stand.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "core/byte_order.h"
#include "layers/attribute_store.h"
#include "shapefile/binary_file.h"

namespace {

constexpr unsigned char kHeaderEnd = 0x0D;
constexpr unsigned char kFileEnd = 0x1A;
// The .CPG beside the .DBF: the texts are UTF-8. Exactly these bytes, no line end.
const char kCodePage[] = "UTF-8";

// Writes the records with a blank for every NUL byte in a deletion flag or in a
// text or number field, which readers would take for a deleted record or the
// end of a text; binary ('F') fields go as they are.
void PutRecordsWithoutNul(BinaryFile& file, const AttributeTable& t, int recordCount) {
    const int length = t.RecordLength();
    for (int r = 0; r < recordCount; ++r) {
        const unsigned char* record = t.records.get() + static_cast<int64_t>(r) * length;
        unsigned char* out = file.Claim(static_cast<size_t>(length));
        std::memcpy(out, record, static_cast<size_t>(length));
        if (out[0] == 0) out[0] = ' ';
        for (int f = 0; f < t.fieldCount; ++f) {
            if (t.fields[f].type == 'F') continue;
            for (int i = t.fieldOffsets[f]; i < t.fieldOffsets[f + 1]; ++i)
                if (out[i] == 0) out[i] = ' ';
        }
    }
}

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
    if (recordBytes > 0) {
        const unsigned char* records = t.records.get();
        if (!std::memchr(records, 0, static_cast<size_t>(recordBytes)))
            file.Put(records, static_cast<size_t>(recordBytes));
        else
            PutRecordsWithoutNul(file, t, RecordCount(table));
    }
    file.PutByte(kFileEnd);
    if (!file.Close()) {
        file.CloseAndRemove();
        errno = file.Error();
        return false;
    }
    int cpgError = BinaryFile::WriteWholeFile(CpgPath(table, directory), kCodePage);
    if (cpgError != 0) {
        std::remove(file.Path().c_str());
        errno = cpgError;
        return false;
    }
    return true;
}
