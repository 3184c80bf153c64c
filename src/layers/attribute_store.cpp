#include "layers/attribute_store.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/byte_order.h"
#include "core/fixed_text.h"
#include "core/text_encoding.h"
#include "core/user_feedback.h"

namespace {

constexpr int kGrowth = 1000;
constexpr int kHeaderRecordCount = 4;    // 32-bit record count
constexpr int kHeaderRecordLength = 10;  // 16-bit record length

void ClearTable(AttributeTable& t) {
    t.records.reset();
    t.bufferSize = 0;
    t.recordCapacity = 0;
    t.fieldCount = 0;
    t.bytesAllocated = 0;
    PutLE32(t.dbfHeader + kHeaderRecordCount, 0);
}

// How many bytes of `text` a field of `width` bytes holds: all of it, or as much
// as fits without splitting a UTF-8 character.
size_t StoredLength(const char* text, size_t width) {
    if (!text) return 0;
    size_t length = strnlen(text, width + 1);
    return Utf8CutLength(text, length, width);
}

}  // namespace

AttributeTable::AttributeTable()
    : name{},
      fileName{},
      bufferSize(0),
      recordCapacity(0),
      fieldCount(0),
      fieldOffsets{},
      dbfHeader{},
      fields{},
      active(false),
      deleted(false),
      modified(false),
      bytesAllocated(0) {}

int AttributeTable::RecordLength() const {
    return GetLE16(dbfHeader + kHeaderRecordLength);
}

AttributeStore::AttributeStore()
    : tableCount(0), currentTable(0), tables(new AttributeTable[kMaxTables + 1]) {}

AttributeStore::~AttributeStore() = default;

int AttributeStore::AddTable(const char* name, const char* fileName) {
    if (tableCount + 1 >= kMaxTables + 1) return -1;
    int slot = tableCount;
    AttributeTable& t = tables[slot];
    CopyFixedText(t.name, name);
    CopyFixedText(t.fileName, fileName);
    ClearTable(t);
    std::memset(t.fieldOffsets, 0, sizeof t.fieldOffsets);
    std::memset(t.fields, 0, sizeof t.fields);
    t.fieldOffsets[0] = 1;  // byte 0 of a record is its deletion flag
    t.active = true;
    t.deleted = false;
    t.modified = false;
    std::memset(t.dbfHeader, 0, sizeof t.dbfHeader);
    t.dbfHeader[0] = 3;  // dBASE III without memo
    PutLE16(t.dbfHeader + kHeaderRecordLength, 1);
    currentTable = slot;
    ++tableCount;
    return slot;
}

bool AttributeStore::DeleteTable(int table) {
    if (table < 0 || table >= tableCount) return false;
    AttributeTable& t = tables[table];
    ClearTable(t);
    t.deleted = true;
    if (table == tableCount - 1) --tableCount;
    return true;
}

void AttributeStore::Clear() {
    for (int i = 0; i < tableCount; ++i) DeleteTable(i);
    tableCount = 0;
    currentTable = 0;
}

bool AttributeStore::AddField(int table, const char* name, char type, int width, int decimals) {
    if (table < 0 || table >= tableCount || tables[table].deleted) return false;
    AttributeTable& t = tables[table];
    int n = t.fieldCount;
    if (n >= AttributeTable::kMaxFields || t.records) return false;
    if (width < 1 || width > kMaxFieldWidth || decimals < 0 || decimals > 255) return false;
    if (t.fieldOffsets[n] + width > kMaxRecordLength) return false;

    FieldDef& f = t.fields[n];
    std::memset(&f, 0, sizeof f);
    // The name is NUL-padded, and an 11-character name fills the field.
    if (name) std::strncpy(f.name, name, sizeof f.name);
    f.type = type;
    f.width = static_cast<unsigned char>(width);
    f.decimals = static_cast<unsigned char>(decimals);
    t.fieldOffsets[n + 1] = t.fieldOffsets[n] + width;
    PutLE16(t.dbfHeader + kHeaderRecordLength, static_cast<uint16_t>(t.fieldOffsets[n + 1]));
    t.fieldCount = n + 1;
    return true;
}

int AttributeStore::FieldCount(int table) const {
    if (table < 0 || table >= tableCount) return 0;
    return tables[table].fieldCount;
}

int AttributeStore::RecordCount(int table) const {
    if (table < 0 || table >= tableCount) return 0;
    return static_cast<int>(GetLE32(tables[table].dbfHeader + kHeaderRecordCount));
}

bool AttributeStore::ReserveRecords(int table, int capacity) {
    if (table < 0 || table >= tableCount) return false;
    AttributeTable& t = tables[table];
    if (t.fieldCount < 1 || capacity <= t.recordCapacity) return false;
    int64_t length = t.RecordLength();
    int64_t size = length * capacity;
    if (size > INT32_MAX) return false;  // bufferSize is a 32-bit quantity

    if (size > t.bytesAllocated) {
        // Half again as much as before, so that growing by 1000 records at a time
        // copies every byte only a few times.
        int64_t roomy =
            std::min<int64_t>(INT32_MAX / length * length, t.bytesAllocated + t.bytesAllocated / 2);
        int64_t allocate = std::max(size, roomy / length * length);
        std::unique_ptr<unsigned char[]> bigger(
            new (std::nothrow) unsigned char[static_cast<size_t>(allocate)]);
        if (!bigger) return false;
        if (t.bufferSize > 0) std::memcpy(bigger.get(), t.records.get(), t.bufferSize);
        // Blank records: a record the transfers never fill still has a space as its
        // deletion flag and blanks ("no value") in every field, never NUL bytes.
        std::memset(bigger.get() + t.bufferSize, ' ',
                    static_cast<size_t>(allocate - t.bufferSize));
        t.records = std::move(bigger);
        t.bytesAllocated = allocate;
    }
    t.bufferSize = static_cast<int32_t>(size);
    t.recordCapacity = capacity;
    return true;
}

unsigned char* AttributeStore::RecordField(int table, int record, int field) {
    if (table < 0 || table >= tableCount || record < 0) return nullptr;
    AttributeTable& t = tables[table];
    if (!t.records || field < -1 || field >= t.fieldCount) return nullptr;
    int64_t offset = static_cast<int64_t>(record) * t.RecordLength();
    int width = 1;
    if (field >= 0) {
        offset += t.fieldOffsets[field];
        width = t.fields[field].width;
    }
    if (offset + width > t.bufferSize) return nullptr;
    return t.records.get() + offset;
}

bool AttributeStore::EnsureRecord(int table, int record) {
    if (table < 0 || table >= tableCount || record < 0) return false;
    AttributeTable& t = tables[table];
    if (record >= RecordCount(table)) {
        if (record >= t.recordCapacity) {
            if (static_cast<int64_t>(record) >= static_cast<int64_t>(t.recordCapacity) + kGrowth)
                return false;
            if (!ReserveRecords(table, t.recordCapacity + kGrowth)) return false;
        }
        PutLE32(t.dbfHeader + kHeaderRecordCount, static_cast<uint32_t>(record) + 1);
    }
    t.modified = true;
    unsigned char* flag = RecordField(table, record, -1);
    if (flag) *flag = ' ';
    return true;
}

bool AttributeStore::SetText(int table, int record, int field, const char* text) {
    if (table < 0 || table >= tableCount) return false;
    if (!EnsureRecord(table, record)) return false;
    unsigned char* p = RecordField(table, record, field);
    if (!p) return false;
    size_t width = tables[table].fields[field].width;
    size_t length = StoredLength(text, width);
    if (length > 0) std::memcpy(p, text, length);
    std::memset(p + length, ' ', width - length);
    return true;
}

unsigned char* AttributeStore::GetText(int table, int record, int field, char* out) {
    unsigned char* p = RecordField(table, record, field);
    if (!p) {
        if (out) out[0] = '\0';
        return nullptr;
    }
    if (out) {
        int width = field >= 0 ? tables[table].fields[field].width : 1;
        std::memcpy(out, p, static_cast<size_t>(width));
        out[width] = '\0';
    }
    return p;
}

bool AttributeStore::SetNumber(int table, int record, int field, double value) {
    if (table < 0 || table >= tableCount) return false;
    if (!EnsureRecord(table, record)) return false;
    unsigned char* p = RecordField(table, record, field);
    if (!p) return true;
    const FieldDef& f = tables[table].fields[field];
    switch (f.type) {
        case 'N': {
            char format[32];
            std::snprintf(format, sizeof format, "%%%d.%dlf", f.width, f.decimals);
            // Room for the widest possible text: 309 integer digits, a sign, a
            // point and 255 decimals.
            char text[640];
            int length =
                std::isfinite(value) ? std::snprintf(text, sizeof text, format, value) : -1;
            if (length < 0 || length > f.width)
                std::memset(p, ' ', f.width);
            else
                std::memcpy(p, text, f.width);
            return true;
        }
        case 'F':
            if (f.width == 8) {
                PutLEDouble(p, value);
                return true;
            }
            if (f.width == 4) {
                PutLEFloat(p, static_cast<float>(value));
                return true;
            }
            return false;
        case 'C':
            return SetText(table, record, field, FormatText("%lf", value).c_str());
        default:
            return false;
    }
}

int AttributeStore::FindRecord(int table, int field, const char* text) {
    if (!text || !*text || table < 0 || table >= tableCount) return -1;
    if (field < 0 || field >= tables[table].fieldCount) return -1;
    // SetText cuts a text to the field's width, so a longer text is looked for
    // as it was stored: by as much of it as the field holds.
    size_t length = StoredLength(text, tables[table].fields[field].width);
    int count = RecordCount(table);
    for (int r = 0; r < count; ++r) {
        const unsigned char* p = RecordField(table, r, field);
        if (!p) break;
        size_t i = 0;
        while (i < length &&
               std::tolower(p[i]) == std::tolower(static_cast<unsigned char>(text[i])))
            ++i;
        if (i == length) return r;
    }
    return -1;
}

std::string AttributeStore::DbfPath(int table, const std::string& directory) const {
    if (table < 0 || table >= tableCount) return std::string();
    return directory + tables[table].fileName + ".DBF";
}

std::string AttributeStore::CpgPath(int table, const std::string& directory) const {
    if (table < 0 || table >= tableCount) return std::string();
    return directory + tables[table].fileName + ".CPG";
}
