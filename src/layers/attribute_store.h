#pragma once
// The document's attribute tables: in-memory dBASE III tables, one per layer,
// whose header and field descriptors are kept in the .DBF file's own byte layout
// and whose records lie in one contiguous buffer of fixed-width text records.

#include <cstdint>
#include <memory>
#include <string>

// The 32-byte dBASE III field descriptor, byte for byte.
struct FieldDef {
    char name[11];  // NUL-padded; an 11-character name has no terminator
    char type;      // 'C' text, 'N' number as text, 'F' binary floating point
    unsigned char reserved1[4];
    unsigned char width;
    unsigned char decimals;
    unsigned char reserved2[14];
};
static_assert(sizeof(FieldDef) == 32, "FieldDef is the 32-byte file descriptor");

struct AttributeTable {
    static constexpr int kMaxFields = 254;

    char name[41];
    char fileName[129];
    int32_t bufferSize;
    int32_t recordCapacity;
    int32_t fieldCount;
    int32_t fieldOffsets[kMaxFields + 1];
    unsigned char dbfHeader[32];
    FieldDef fields[kMaxFields + 1];
    std::unique_ptr<unsigned char[]> records;
    bool active;
    bool deleted;
    bool modified;

    int RecordLength() const;
};

class AttributeStore {
public:
    static constexpr int kMaxTables = 254;

    AttributeStore();
    virtual ~AttributeStore();
    AttributeStore(const AttributeStore&) = delete;
    AttributeStore& operator=(const AttributeStore&) = delete;

    int AddTable(const char* name, const char* fileName);
    bool DeleteTable(int table);
    void Clear();

    bool AddField(int table, const char* name, char type, int width, int decimals);
    int FieldCount(int table) const;
    int RecordCount(int table) const;

    bool ReserveRecords(int table, int capacity);
    unsigned char* RecordField(int table, int record, int field);
    bool EnsureRecord(int table, int record);

    bool SetText(int table, int record, int field, const char* text);
    // Copies the field's bytes and a terminator into `out` (width + 1 bytes).
    unsigned char* GetText(int table, int record, int field, char* out);
    bool SetNumber(int table, int record, int field, double value);
    int FindRecord(int table, int field, const char* text);

    // Writes the table as directory + fileName + ".DBF"; false when the file could
    // not be created or written (the system error is in errno).
    bool WriteDbf(int table, const std::string& directory);

    AttributeTable& Table(int index) { return tables[index]; }
    const AttributeTable& Table(int index) const { return tables[index]; }

    int32_t tableCount;
    int32_t currentTable;
    std::unique_ptr<AttributeTable[]> tables;  // kMaxTables + 1 slots
};
