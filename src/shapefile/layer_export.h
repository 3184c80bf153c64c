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

#include <string>
#include <vector>

class GeometryStore;
class AttributeStore;

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
};

// The directory part of `path`, ending with a separator, or "" when it has none.
std::string ExportDirectory(const std::string& path);

ExportResult ExportLayers(GeometryStore& geometry, AttributeStore& attributes,
                          const std::string& path);
