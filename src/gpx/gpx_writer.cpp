#include "gpx/gpx_writer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/user_feedback.h"
#include "gpx/gpx_time.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"

namespace {

// How far ahead in the track point layer a track vertex's point is looked for:
// points that made no vertex (a segment of one point) are skipped this way.
constexpr int32_t kMatchLookahead = 16;

// Read access to one table: fields by name, values as trimmed texts.
class TableReader {
  public:
    TableReader(const AttributeStore& store, int table) {
        if (table < 0 || table >= store.tableCount || store.Table(table).deleted) return;
        table_ = &store.Table(table);
        records_ = store.RecordCount(table);
    }

    // The number of the field called `name`, or -1.
    int Field(const char* name) const {
        if (table_ == nullptr) return -1;
        for (int f = 0; f < table_->fieldCount; ++f)
            if (std::strncmp(table_->fields[f].name, name, sizeof table_->fields[f].name) == 0)
                return f;
        return -1;
    }

    // The field's text without the blanks around it; empty for a missing field.
    std::string Text(int record, int field) const {
        if (table_ == nullptr || field < 0 || record < 0 || record >= records_) return {};
        const int64_t length = table_->RecordLength();
        const int64_t offset = record * length + table_->fieldOffsets[field];
        const int width = table_->fields[field].width;
        if (offset + width > table_->bufferSize) return {};
        const char* bytes = reinterpret_cast<const char*>(table_->records.get()) + offset;
        int begin = 0, end = width;
        while (begin < end && (bytes[begin] == ' ' || bytes[begin] == '\0')) ++begin;
        while (end > begin && (bytes[end - 1] == ' ' || bytes[end - 1] == '\0')) --end;
        return std::string(bytes + begin, bytes + end);
    }

    // The field as a number; false when it is blank or not a number.
    bool Number(int record, int field, double* value) const {
        const std::string text = Text(record, field);
        if (text.empty()) return false;
        char* end = nullptr;
        *value = std::strtod(text.c_str(), &end);
        return *end == '\0' && std::isfinite(*value);
    }

    int Records() const { return records_; }

  private:
    const AttributeTable* table_ = nullptr;
    int records_ = 0;
};

// `text` escaped for XML, as valid UTF-8: a byte that begins no valid UTF-8
// sequence is taken as a Latin-1 character, control characters XML cannot hold
// are left out.
std::string Escaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80         ? 1
                        : (c >> 5) == 6  ? 2
                        : (c >> 4) == 14 ? 3
                        : (c >> 3) == 30 ? 4
                                         : 0;
        for (size_t k = 1; k < length; ++k)
            if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                length = 0;
        if (length == 0) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(text, i, length);
        } else if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '"') {
            out += "&quot;";
        } else if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') {
            out += static_cast<char>(c);
        }
        i += length;
    }
    return out;
}

class GpxWriter {
  public:
    GpxWriter(const GeometryStore& geometry, const AttributeStore& attributes, FILE* file)
        : geometry_(geometry), attributes_(attributes), file_(file) {}

    void Write() {
        std::fputs(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<gpx version=\"1.1\" creator=\"QUORVEX\" "
            "xmlns=\"http://www.topografix.com/GPX/1/1\" "
            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
            "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
            "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n",
            file_);
        for (int pass = 0; pass < 3; ++pass) {
            for (int l = 0; l < geometry_.layerCount; ++l) {
                const GeometryLayer& layer = geometry_.Layer(l);
                if (layer.deleted) continue;
                const TableReader table(attributes_, layer.attributeTable);
                const bool lines = layer.vertexCount > 0;
                const bool route = lines && std::strstr(layer.name, "Route") != nullptr;
                if (pass == 0 && !lines && table.Field("Ident") >= 0) WriteWaypoints(layer, table);
                if (pass == 1 && route) WriteLines(layer, table, true, -1);
                if (pass == 2 && lines && !route)
                    WriteLines(layer, table, false, TrackPointLayer(layer, l));
            }
        }
        std::fputs("</gpx>\n", file_);
    }

  private:
    void Position(const char* element, double longitude, double latitude) {
        std::fprintf(file_, "<%s lat=\"%.9f\" lon=\"%.9f\">", element, latitude, longitude);
    }

    void Element(const char* name, const std::string& text) {
        if (!text.empty()) std::fprintf(file_, "<%s>%s</%s>", name, Escaped(text).c_str(), name);
    }

    // <ele> and <time> from fields `altitude` and `time` of `record`.
    void ElevationAndTime(const TableReader& table, int record, int altitude, int time) {
        double value;
        if (table.Number(record, altitude, &value)) std::fprintf(file_, "<ele>%.1f</ele>", value);
        const int64_t seconds = ReadLayerTime(table.Text(record, time).c_str());
        if (seconds != kNoGpxTime) Element("time", FormatGpxTime(seconds));
    }

    void WriteWaypoints(const GeometryLayer& layer, const TableReader& table) {
        const int ident = table.Field("Ident"), comment = table.Field("Comment");
        const int altitude = table.Field("Altitude"), time = table.Field("Time");
        const int symbol = table.Field("Symbol");
        for (int32_t p = 0; p < layer.pointCount; ++p) {
            Position("wpt", layer.points[p].x, layer.points[p].y);
            ElevationAndTime(table, p, altitude, time);
            Element("name", table.Text(p, ident));
            Element("cmt", table.Text(p, comment));
            Element("sym", table.Text(p, symbol));
            std::fputs("</wpt>\n", file_);
        }
    }

    // The track point layer written by the same import as the track lines of
    // `layer` (file name + "Pts"), the nearest one after it; -1 when none.
    int TrackPointLayer(const GeometryLayer& layer, int index) const {
        const std::string wanted = std::string(layer.fileName) + "Pts";
        for (int l = index + 1; l < geometry_.layerCount; ++l) {
            const GeometryLayer& other = geometry_.Layer(l);
            if (!other.deleted && other.vertexCount == 0 && wanted == other.fileName) return l;
        }
        return -1;
    }

    void WriteLines(const GeometryLayer& layer, const TableReader& table, bool route,
                    int pointLayer) {
        const char* line = route ? "rte" : "trk";
        const char* vertex = route ? "rtept" : "trkpt";
        const GeometryLayer* points = pointLayer >= 0 ? &geometry_.Layer(pointLayer) : nullptr;
        const TableReader pointTable(attributes_, points != nullptr ? points->attributeTable : -1);
        const int altitude = pointTable.Field("Altitude"), time = pointTable.Field("Time");
        int32_t cursor = 0;  // the next track point to match

        const int ident = table.Field("Ident");
        int32_t edge = 0;
        // Records in order; each takes the run of edges that carry its number.
        const int records = std::max(table.Records(), LastSegment(layer));
        for (int record = 0; record < records; ++record) {
            std::fprintf(file_, "<%s>", line);
            Element("name", table.Text(record, ident));
            std::fputs("\n", file_);
            int32_t previousEnd = -1;
            bool open = false;
            for (; edge < layer.vertexCount && layer.vertices[edge].segment <= record + 1; ++edge) {
                const SegmentVertex& v = layer.vertices[edge];
                if (v.segment != record + 1) continue;  // an edge out of order: no record
                if (v.fromPoint != previousEnd) {
                    if (open && !route) std::fputs("</trkseg>\n", file_);
                    if (!route) std::fputs("<trkseg>\n", file_);
                    open = true;
                    WriteVertex(layer, v.fromPoint, vertex, points, pointTable, altitude, time,
                                &cursor);
                }
                WriteVertex(layer, v.toPoint, vertex, points, pointTable, altitude, time, &cursor);
                previousEnd = v.toPoint;
            }
            if (open && !route) std::fputs("</trkseg>\n", file_);
            std::fprintf(file_, "</%s>\n", line);
        }
    }

    static int LastSegment(const GeometryLayer& layer) {
        int last = 0;
        for (int32_t e = 0; e < layer.vertexCount; ++e)
            last = std::max(last, static_cast<int>(layer.vertices[e].segment));
        return last;
    }

    void WriteVertex(const GeometryLayer& layer, int32_t point, const char* element,
                     const GeometryLayer* points, const TableReader& pointTable, int altitude,
                     int time, int32_t* cursor) {
        if (point < 0 || point >= layer.pointCount) return;
        const LayerPoint& p = layer.points[point];
        Position(element, p.x, p.y);
        if (points != nullptr) {
            const int32_t end = std::min(points->pointCount, *cursor + kMatchLookahead);
            for (int32_t c = *cursor; c < end; ++c) {
                const LayerPoint& q = points->points[c];
                if (std::fabs(q.x - p.x) <= 1e-9 && std::fabs(q.y - p.y) <= 1e-9) {
                    ElevationAndTime(pointTable, c, altitude, time);
                    *cursor = c + 1;
                    break;
                }
            }
        }
        std::fprintf(file_, "</%s>\n", element);
    }

    const GeometryStore& geometry_;
    const AttributeStore& attributes_;
    FILE* file_;
};

}  // namespace

bool WriteGpxDocument(const GeometryStore& geometry, const AttributeStore& attributes,
                      const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        ShowMessage(FormatText("Cannot create %s: %s", path.c_str(), std::strerror(errno)));
        return false;
    }
    GpxWriter(geometry, attributes, file).Write();
    int error = std::ferror(file) ? (errno != 0 ? errno : EIO) : 0;
    if (std::fclose(file) != 0 && error == 0) error = errno;
    if (error == 0) return true;
    ShowMessage(FormatText("Cannot write %s: %s", path.c_str(), std::strerror(error)));
    std::remove(path.c_str());
    return false;
}
