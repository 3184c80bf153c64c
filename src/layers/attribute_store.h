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

    // Bytes actually allocated behind bufferSize. The record capacity follows the
    // store's growth rule (by 1000 records); the memory behind it grows by half
    // again when it runs out, so a large table is not copied at every step. Bytes
    // beyond bufferSize are blanks.
    int64_t bytesAllocated;

    AttributeTable();
    int RecordLength() const;  // from the header, bytes 10-11
};

class AttributeStore {
  public:
    static constexpr int kMaxTables = 254;
    static constexpr int kMaxFieldWidth = 255;
    static constexpr int kMaxRecordLength = 32767;

    AttributeStore();
    virtual ~AttributeStore();
    AttributeStore(const AttributeStore&) = delete;
    AttributeStore& operator=(const AttributeStore&) = delete;

    int AddTable(const char* name, const char* fileName);
    bool DeleteTable(int table);
    void Clear();

    // False, changing nothing, for a bad table, a 255th field, a width outside
    // 1..255, decimals outside 0..255, a record longer than 32767 bytes, or a
    // table whose records already have a buffer (the layout is fixed by then).
    bool AddField(int table, const char* name, char type, int width, int decimals);
    int FieldCount(int table) const;
    int RecordCount(int table) const;

    bool ReserveRecords(int table, int capacity);
    // Address of the field's bytes (field -1: the deletion flag), or nullptr.
    unsigned char* RecordField(int table, int record, int field);
    // Makes `record` exist (growing by 1000 records when it lies just beyond the
    // capacity) and marks it written; false for a record at or beyond capacity +
    // 1000, a negative record, or a table without fields.
    bool EnsureRecord(int table, int record);

    // Stores `text` (UTF-8) padded with blanks; a longer text is cut at the
    // field's width without splitting a character.
    bool SetText(int table, int record, int field, const char* text);
    // Copies the field's bytes and a terminator into `out` (width + 1 bytes).
    unsigned char* GetText(int table, int record, int field, char* out);
    // 'N': printf "%W.Dlf"; a value that does not fit W characters (or is not a
    // finite number) is stored as blanks, dBASE's "no value".
    bool SetNumber(int table, int record, int field, double value);
    // First record whose field begins with `text`, ignoring case; -1 when none.
    // A text longer than the field is looked for as SetText stores it, cut.
    int FindRecord(int table, int field, const char* text);

    // The files WriteDbf writes: directory + fileName + ".DBF", and beside it the
    // ".CPG" that names the text encoding, UTF-8.
    std::string DbfPath(int table, const std::string& directory) const;
    std::string CpgPath(int table, const std::string& directory) const;
    // Writes the table as DbfPath(table, directory) and its CpgPath. False when a
    // file could not be created, written or closed; the system error is then in
    // errno and no partly written file is left behind.
    bool WriteDbf(int table, const std::string& directory);

    AttributeTable& Table(int index) { return tables[index]; }
    const AttributeTable& Table(int index) const { return tables[index]; }

    int32_t tableCount;
    int32_t currentTable;
    std::unique_ptr<AttributeTable[]> tables;  // kMaxTables + 1 slots
};
