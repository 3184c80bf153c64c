#pragma once
// The document's save step: writes every changed layer as a .SHP/.SHX pair with
// its .PRJ and every changed table as a .DBF with its .CPG into one directory.
//
// Usage (the desktop program's save command, quorvex-cli --out):
//     ExportResult result = ExportLayers(geometry, attributes, path);
//     document.SetModifiedFlag(!result.allWritten);
//     return result.allWritten ? ok : write-failed;
//
// `path` is the path the user chose; only its directory is used (everything up to
// and including the last path separator; no separator means the current
// directory), and the files are named after each layer's and table's fileName.
// A directory of its own ("/data/out/") works too. The directory must exist.
//
// What it does, in order:
//  1. File names. Layers and tables that this save writes and that share one file
//     name (compared ignoring case) would overwrite each other: each later one
//     gets the lowest free numeric suffix on its base name (Waypoints, Waypoints1,
//     Waypoints2, ...). A layer and the table that shares its name are renamed
//     together and both written, so their files stay a set. The new names are kept
//     in the stores, and one message lists every rename.
//  2. Layers, in slot order: each one that is not deleted and is modified is
//     written with ShapefileWriter::WriteLayer (a line layer one shape per record
//     of its table, Null shapes for records without a line); its modified flag
//     is cleared only when all of its files were written.
//  3. Tables, in slot order, the same way with AttributeStore::WriteDbf.
// A file that cannot be created, written or closed gives one message naming the
// file and the system's error text; the layer's or table's files are removed
// rather than left truncated, it stays modified, and the export goes on with the
// rest. A layer whose .SHP would exceed the format's 2 GB is refused the same
// way, before any of its files is made.

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

class GeometryStore;
class AttributeStore;

// What a document last wrote where: for each file, the layer or table it was
// written for and the file's modification time just after. A save asks before
// replacing a file that is not in here for the same layer or table, or that has
// changed since (another program's file, another document's, or this document's
// save of a different layer).
class WrittenFiles {
  public:
    void Clear() { files_.clear(); }
    // `owner` names a layer or table slot ("layer 2", "table 0").
    void Remember(const std::string& file, const std::string& owner);
    bool WroteFor(const std::string& file, const std::string& owner) const;

  private:
    struct Entry {
        std::string owner;
        std::filesystem::file_time_type time;
    };
    std::map<std::string, Entry> files_;  // by absolute path
};

// Asked once, before anything is written, with the files a save would replace
// that it did not write itself; false stops the save.
using ConfirmReplace = std::function<bool(const std::vector<std::string>& files)>;

struct ExportResult {
    // True when every layer and table that was due has been written. False means
    // at least one stays modified, and so should the document.
    bool allWritten = true;
    int layersWritten = 0;
    int tablesWritten = 0;
    int layersFailed = 0;
    int tablesFailed = 0;
    std::vector<std::string> filesWritten;  // full names, in the order written
    std::vector<std::string> filesFailed;   // the file each failure was about
    bool declined = false;                  // the user chose not to replace files
};

// The directory part of `path`, ending with a separator, or "" when it has none.
std::string ExportDirectory(const std::string& path);

// With `written`, files are remembered there as they are written and, when
// `confirm` is given too, files that exist and are not this document's for the
// same layer or table are confirmed before anything is written. Without them
// (quorvex-cli) existing files are replaced.
ExportResult ExportLayers(GeometryStore& geometry, AttributeStore& attributes,
                          const std::string& path, WrittenFiles* written = nullptr,
                          const ConfirmReplace& confirm = nullptr);
