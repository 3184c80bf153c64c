#include "shapefile/layer_export.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "core/fixed_text.h"
#include "core/text_encoding.h"
#include "core/user_feedback.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "shapefile/shapefile_writer.h"

namespace {

// The files of one base name that a save may write: a layer, its table, or both.
struct FileSet {
    int layer = -1;
    int table = -1;
    std::string name;
};

// File names are compared ignoring case: on a file system that folds case,
// "Waypoints" and "WAYPOINTS" are one file.
std::string Folded(const std::string& name) {
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return folded;
}

bool SameName(const char* a, const char* b) {
    return Folded(a) == Folded(b);
}

bool LayerDue(const GeometryLayer& l) {
    return !l.deleted && l.modified;
}
bool TableDue(const AttributeTable& t) {
    return !t.deleted && t.modified;
}

// The sets this save writes: each due layer (with its table when the table
// carries the same name), then each due table that no such set holds yet (with
// the layer whose table it is, when that layer carries the same name).
std::vector<FileSet> DueFileSets(GeometryStore& geometry, AttributeStore& attributes) {
    std::vector<FileSet> sets;
    std::vector<bool> tableInSet(static_cast<size_t>(attributes.tableCount), false);
    auto tableOfLayer = [&](const GeometryLayer& l) {
        int t = l.attributeTable;
        if (t < 0 || t >= attributes.tableCount || tableInSet[t]) return -1;
        const AttributeTable& table = attributes.Table(t);
        return !table.deleted && SameName(table.fileName, l.fileName) ? t : -1;
    };

    for (int i = 0; i < geometry.layerCount; ++i) {
        const GeometryLayer& l = geometry.Layer(i);
        if (!LayerDue(l)) continue;
        FileSet set{i, tableOfLayer(l), l.fileName};
        if (set.table >= 0) tableInSet[set.table] = true;
        sets.push_back(set);
    }
    for (int t = 0; t < attributes.tableCount; ++t) {
        const AttributeTable& table = attributes.Table(t);
        if (!TableDue(table) || tableInSet[t]) continue;
        FileSet set{-1, t, table.fileName};
        for (int i = 0; i < geometry.layerCount; ++i) {
            const GeometryLayer& l = geometry.Layer(i);
            if (!l.deleted && !LayerDue(l) && l.attributeTable == t && tableOfLayer(l) == t) {
                set.layer = i;
                break;
            }
        }
        tableInSet[t] = true;
        sets.push_back(set);
    }
    return sets;
}

// Gives every set after the first of a name a free numbered name, stores it in
// the layer and the table, and marks both for writing. Returns the lines of the
// message that reports the renames (none when nothing was renamed).
std::vector<std::string> SeparateFileNames(GeometryStore& geometry, AttributeStore& attributes) {
    std::vector<FileSet> sets = DueFileSets(geometry, attributes);
    std::set<std::string> original;  // names that must not be handed out again
    for (const FileSet& s : sets) original.insert(Folded(s.name));

    const size_t capacity = sizeof(GeometryLayer::fileName) - 1;
    std::set<std::string> claimed;
    std::vector<std::string> lines;
    for (const FileSet& s : sets) {
        if (claimed.insert(Folded(s.name)).second) continue;
        std::string renamed;
        for (int k = 1;; ++k) {
            std::string suffix = std::to_string(k);
            size_t room = capacity - std::min(capacity, suffix.size());
            std::string base = s.name.substr(0, Utf8CutLength(s.name.c_str(), s.name.size(), room));
            renamed = base + suffix;
            std::string key = Folded(renamed);
            if (!original.count(key) && !claimed.count(key)) break;
        }
        claimed.insert(Folded(renamed));

        std::string shown;
        if (s.layer >= 0) {
            GeometryLayer& l = geometry.Layer(s.layer);
            CopyFixedText(l.fileName, renamed.c_str());
            l.modified = true;
            shown = l.name;
        }
        if (s.table >= 0) {
            AttributeTable& t = attributes.Table(s.table);
            CopyFixedText(t.fileName, renamed.c_str());
            t.modified = true;
            if (shown.empty()) shown = t.name;
        }
        lines.push_back(
            FormatText("    %s: %s -> %s", shown.c_str(), s.name.c_str(), renamed.c_str()));
    }
    return lines;
}

// The files of one due layer or table with the owner name WrittenFiles keeps.
struct OwnedFile {
    std::string file;
    std::string owner;
};

std::string LayerOwner(int layer) {
    return "layer " + std::to_string(layer);
}
std::string TableOwner(int table) {
    return "table " + std::to_string(table);
}

std::vector<OwnedFile> FilesOfSave(GeometryStore& geometry, AttributeStore& attributes,
                                   const std::string& directory) {
    std::vector<OwnedFile> files;
    for (int i = 0; i < geometry.layerCount; ++i) {
        const GeometryLayer& l = geometry.Layer(i);
        if (!LayerDue(l) || !(l.points || l.vertices || l.polygonEdges)) continue;
        for (const std::string& f : {ShapefileWriter::ShpPath(directory, l),
                                     ShapefileWriter::ShxPath(directory, l),
                                     ShapefileWriter::PrjPath(directory, l)})
            files.push_back({f, LayerOwner(i)});
    }
    for (int t = 0; t < attributes.tableCount; ++t) {
        if (!TableDue(attributes.Table(t))) continue;
        for (const std::string& f : {attributes.DbfPath(t, directory), attributes.CpgPath(t, directory)})
            files.push_back({f, TableOwner(t)});
    }
    return files;
}

std::string AbsolutePath(const std::string& file) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(file, error);
    return (error ? std::filesystem::path(file) : absolute).lexically_normal().string();
}

void ReportFailure(ExportResult& result, const std::string& file, const std::string& why) {
    ShowMessage(FormatText("Could not write the file %s: %s", file.c_str(), why.c_str()));
    result.filesFailed.push_back(file);
    result.allWritten = false;
}

}  // namespace

void WrittenFiles::Remember(const std::string& file, const std::string& owner) {
    std::error_code error;
    auto time = std::filesystem::last_write_time(file, error);
    if (!error) files_[AbsolutePath(file)] = Entry{owner, time};
}

bool WrittenFiles::WroteFor(const std::string& file, const std::string& owner) const {
    auto found = files_.find(AbsolutePath(file));
    if (found == files_.end() || found->second.owner != owner) return false;
    std::error_code error;
    auto time = std::filesystem::last_write_time(file, error);
    return !error && time == found->second.time;
}

std::string ExportDirectory(const std::string& path) {
#ifdef _WIN32
    size_t end = path.find_last_of("\\/:");
#else
    size_t end = path.find_last_of('/');
#endif
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

ExportResult ExportLayers(GeometryStore& geometry, AttributeStore& attributes,
                          const std::string& path, WrittenFiles* written,
                          const ConfirmReplace& confirm) {
    ExportResult result;
    const std::string directory = ExportDirectory(path);

    std::vector<std::string> renames = SeparateFileNames(geometry, attributes);
    if (!renames.empty()) {
        std::string text =
            "Some layers would have been saved under the same file name and overwritten "
            "each other.\nThese were saved under new file names instead:";
        for (const std::string& line : renames) text += "\n" + line;
        ShowMessage(text);
    }

    if (confirm) {
        std::vector<std::string> foreign;
        for (const OwnedFile& f : FilesOfSave(geometry, attributes, directory)) {
            std::error_code error;
            if (std::filesystem::exists(f.file, error) &&
                !(written && written->WroteFor(f.file, f.owner)))
                foreign.push_back(f.file);
        }
        if (!foreign.empty() && !confirm(foreign)) {
            result.allWritten = false;
            result.declined = true;
            return result;
        }
    }
    auto remember = [&](const std::string& file, const std::string& owner) {
        result.filesWritten.push_back(file);
        if (written) written->Remember(file, owner);
    };

    ShapefileWriter writer;
    for (int i = 0; i < geometry.layerCount; ++i) {
        GeometryLayer& layer = geometry.Layer(i);
        if (!LayerDue(layer)) continue;
        // A line layer is written one shape per record of its table.
        int table = layer.attributeTable;
        int records = table >= 0 && table < attributes.tableCount && !attributes.Table(table).deleted
                          ? attributes.RecordCount(table)
                          : -1;
        if (writer.WriteLayer(directory, layer, records)) {
            layer.modified = false;
            ++result.layersWritten;
            remember(ShapefileWriter::ShpPath(directory, layer), LayerOwner(i));
            remember(ShapefileWriter::ShxPath(directory, layer), LayerOwner(i));
            remember(ShapefileWriter::PrjPath(directory, layer), LayerOwner(i));
            continue;
        }
        switch (writer.LastFailure()) {
            case ShapefileWriter::Failure::kNothingToWrite:
                layer.modified = false;  // a layer without arrays has no files
                continue;
            case ShapefileWriter::Failure::kTooLarge:
                ReportFailure(result, writer.FailedFile(),
                              "the layer needs more than 2 GB, the most a shapefile can hold; "
                              "nothing of it was written");
                break;
            case ShapefileWriter::Failure::kBadGeometry:
                ReportFailure(result, writer.FailedFile(),
                              "an edge refers to a point, or a polygon to an edge, that the "
                              "layer does not hold");
                break;
            case ShapefileWriter::Failure::kFileError:
            case ShapefileWriter::Failure::kNone:
                ReportFailure(result, writer.FailedFile(), std::strerror(writer.FailedError()));
                break;
        }
        ++result.layersFailed;
    }

    for (int t = 0; t < attributes.tableCount; ++t) {
        AttributeTable& table = attributes.Table(t);
        if (!TableDue(table)) continue;
        std::string file = attributes.DbfPath(t, directory);
        errno = 0;
        if (attributes.WriteDbf(t, directory)) {
            table.modified = false;
            ++result.tablesWritten;
            remember(file, TableOwner(t));
            remember(attributes.CpgPath(t, directory), TableOwner(t));
        } else {
            ReportFailure(result, file, std::strerror(errno ? errno : EIO));
            ++result.tablesFailed;
        }
    }
    return result;
}
