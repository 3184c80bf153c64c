#include "shapefile/layer_export.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
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

void ReportFailure(ExportResult& result, const std::string& file, const std::string& why) {
    ShowMessage(FormatText("Could not write the file %s: %s", file.c_str(), why.c_str()));
    result.filesFailed.push_back(file);
    result.allWritten = false;
}

}  // namespace

std::string ExportDirectory(const std::string& path) {
#ifdef _WIN32
    size_t end = path.find_last_of("\\/:");
#else
    size_t end = path.find_last_of('/');
#endif
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

ExportResult ExportLayers(GeometryStore& geometry, AttributeStore& attributes,
                          const std::string& path) {
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
            result.filesWritten.push_back(ShapefileWriter::ShpPath(directory, layer));
            result.filesWritten.push_back(ShapefileWriter::ShxPath(directory, layer));
            result.filesWritten.push_back(ShapefileWriter::PrjPath(directory, layer));
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
            result.filesWritten.push_back(file);
            result.filesWritten.push_back(attributes.CpgPath(t, directory));
        } else {
            ReportFailure(result, file, std::strerror(errno ? errno : EIO));
            ++result.tablesFailed;
        }
    }
    return result;
}
