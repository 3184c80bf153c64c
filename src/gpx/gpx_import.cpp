#include "gpx/gpx_import.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/text_encoding.h"
#include "core/user_feedback.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "pictures/picture_set.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMaxTextWidth = 254;
constexpr int kIdentWidth = 12;  // "Ident" of waypoint layers
constexpr int kTextWidth = 40;   // every other text field of the receiver layers

// Field numbers of the waypoint layer.
enum WaypointField { kIdent, kLongitude, kLatitude, kComment, kAltitude, kTime, kSymbol };
// Field numbers of the track point layer (those of the Garmin D301 points).
enum TrackPointField { kPtLongitude, kPtLatitude, kPtTime, kPtAltitude, kPtDepth };

bool IsGpxFile(const fs::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return extension == ".gpx";
}

// `text` cut to at most kMaxTextWidth bytes without splitting a UTF-8 character.
std::string FieldText(const std::string& text) {
    return text.substr(0, Utf8CutLength(text.data(), text.size(), kMaxTextWidth));
}

// The width of a text field holding `longest` bytes at most.
int TextWidth(size_t longest, int minimum) {
    return static_cast<int>(std::clamp<size_t>(longest, minimum, kMaxTextWidth));
}

// A layer and its table of one name; -1 when a store is full.
int AddLayerAndTable(GeometryStore& geometry, AttributeStore& attributes, const char* name,
                     const std::string& fileName, size_t points, size_t edges) {
    const auto capacity = [](size_t n) { return static_cast<int>(std::min<size_t>(n, INT32_MAX)); };
    const int layer =
        geometry.AddLayer(name, fileName.c_str(), capacity(points), capacity(edges), 0);
    if (layer < 0) return -1;
    const int table = attributes.AddTable(name, fileName.c_str());
    if (table < 0) {
        geometry.DeleteLayer(layer);
        return -1;
    }
    geometry.Layer(layer).attributeTable = table;
    return layer;
}

void BuildWaypoints(GeometryStore& geometry, AttributeStore& attributes, PictureSet* pictures,
                    const GpxData& data, const std::string& fileName) {
    size_t longestName = 0, longestComment = 0, longestSymbol = 0;
    for (const GpxWaypoint& w : data.waypoints) {
        longestName = std::max(longestName, w.name.size());
        longestComment = std::max(longestComment, w.comment.size());
        longestSymbol = std::max(longestSymbol, w.symbol.size());
    }
    const int layer =
        AddLayerAndTable(geometry, attributes, "GPX Waypoints", fileName, data.waypoints.size(), 0);
    if (layer < 0) return;
    const int table = geometry.Layer(layer).attributeTable;
    attributes.AddField(table, "Ident", 'C', TextWidth(longestName, kIdentWidth), 0);
    attributes.AddField(table, "Longitude", 'N', 12, 5);
    attributes.AddField(table, "Latitude", 'N', 12, 5);
    attributes.AddField(table, "Comment", 'C', TextWidth(longestComment, kTextWidth), 0);
    attributes.AddField(table, "Altitude", 'N', 12, 1);
    attributes.AddField(table, "Time", 'C', 20, 0);
    if (data.anySymbol)
        attributes.AddField(table, "Symbol", 'C', TextWidth(longestSymbol, kTextWidth), 0);
    if (pictures != nullptr) pictures->AddPictureFields(attributes, table);
    attributes.ReserveRecords(table, static_cast<int>(data.waypoints.size()));

    for (const GpxWaypoint& w : data.waypoints) {
        // Every waypoint its own record: points of interest often share a spot.
        const int point = geometry.AppendPoint(layer, w.longitude, w.latitude);
        if (point < 0) break;
        attributes.SetText(table, point, kIdent, FieldText(w.name).c_str());
        attributes.SetNumber(table, point, kLongitude, w.longitude);
        attributes.SetNumber(table, point, kLatitude, w.latitude);
        attributes.SetText(table, point, kComment, FieldText(w.comment).c_str());
        attributes.SetNumber(table, point, kAltitude, w.elevation);
        attributes.SetText(table, point, kTime,
                           w.time == kNoGpxTime ? "" : FormatLayerTime(w.time).c_str());
        if (data.anySymbol) attributes.SetText(table, point, kSymbol, FieldText(w.symbol).c_str());
    }
    geometry.ComputeExtent(layer);
    // The "Time" text is no comment time: each waypoint is taken at its UTC time.
    if (pictures != nullptr) pictures->MatchPictures(attributes, table, kTime, kTime);
}

// Routes and tracks: one record per line, its edges numbered record + 1, a part
// per segment of two or more points.
void BuildLines(GeometryStore& geometry, AttributeStore& attributes, const char* layerName,
                const std::string& fileName, const std::vector<GpxLine>& lines,
                const std::vector<GpxTrackPoint>& points) {
    size_t longestName = 0;
    for (const GpxLine& line : lines) longestName = std::max(longestName, line.name.size());
    const int layer =
        AddLayerAndTable(geometry, attributes, layerName, fileName, points.size(), points.size());
    if (layer < 0) return;
    const int table = geometry.Layer(layer).attributeTable;
    attributes.AddField(table, "Ident", 'C', TextWidth(longestName, kTextWidth), 0);
    attributes.ReserveRecords(table, static_cast<int>(lines.size()));

    for (size_t record = 0; record < lines.size(); ++record) {
        const GpxLine& line = lines[record];
        if (!attributes.SetText(table, static_cast<int>(record), 0, FieldText(line.name).c_str()))
            break;
        const int segment = static_cast<int>(record) + 1;
        const size_t end = line.first + line.count;
        for (size_t s = 0; s < line.segmentStarts.size(); ++s) {
            const size_t first = line.segmentStarts[s];
            const size_t last = s + 1 < line.segmentStarts.size() ? line.segmentStarts[s + 1] : end;
            if (last - first < 2) continue;
            int previous =
                geometry.FindOrAddPoint(layer, points[first].longitude, points[first].latitude);
            for (size_t i = first + 1; i < last && previous >= 0; ++i) {
                const int point =
                    geometry.FindOrAddPoint(layer, points[i].longitude, points[i].latitude);
                if (point < 0 || geometry.AddVertex(layer, segment, previous, point) < 0) {
                    previous = -1;
                    break;
                }
                previous = point;
            }
        }
    }
    geometry.ComputeExtent(layer);
}

void BuildTrackPoints(GeometryStore& geometry, AttributeStore& attributes, const GpxData& data,
                      const std::string& fileName) {
    const int layer = AddLayerAndTable(geometry, attributes, "GPX Tracks(Pts)", fileName,
                                       data.trackPoints.size(), 0);
    if (layer < 0) return;
    const int table = geometry.Layer(layer).attributeTable;
    attributes.AddField(table, "Longitude", 'N', 12, 5);
    attributes.AddField(table, "Latitude", 'N', 12, 5);
    attributes.AddField(table, "Time", 'C', 20, 0);
    attributes.AddField(table, "Altitude", 'N', 12, 1);
    attributes.AddField(table, "Depth", 'N', 12, 1);
    attributes.ReserveRecords(table, static_cast<int>(data.trackPoints.size()));
    for (const GpxTrackPoint& p : data.trackPoints) {
        const int point = geometry.AppendPoint(layer, p.longitude, p.latitude);
        if (point < 0) break;
        attributes.SetNumber(table, point, kPtLongitude, p.longitude);
        attributes.SetNumber(table, point, kPtLatitude, p.latitude);
        attributes.SetText(table, point, kPtTime,
                           p.time == kNoGpxTime ? "" : FormatLayerTime(p.time).c_str());
        attributes.SetNumber(table, point, kPtAltitude, p.elevation);
        attributes.SetNumber(table, point, kPtDepth, p.depth);
    }
    geometry.ComputeExtent(layer);
}

// Whether `folder` holds a .gpx file within `depth` more levels.
bool HoldsGpxFile(const fs::path& folder, int depth) {
    std::error_code error;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        if (it->is_regular_file(error) && IsGpxFile(it->path())) return true;
        if (depth > 0 && it->is_directory(error) && HoldsGpxFile(it->path(), depth - 1))
            return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> FindMountedReceivers() {
    std::vector<fs::path> roots;
    const char* mediaRoot = std::getenv("QUORVEX_MEDIA_ROOT");
    if (mediaRoot != nullptr) {
        roots.emplace_back(mediaRoot);
    } else {
        const char* user = std::getenv("USER");
        if (user != nullptr && *user != '\0') {
            roots.push_back(fs::path("/media") / user);
            roots.push_back(fs::path("/run/media") / user);
        }
    }
    std::vector<std::string> receivers;
    for (const fs::path& root : roots) {
        std::error_code error;
        std::vector<std::string> found;
        fs::directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
        for (; !error && it != fs::directory_iterator(); it.increment(error)) {
            if (!it->is_directory(error)) continue;
            if (fs::is_directory(it->path() / "Garmin" / "GPX", error) ||
                HoldsGpxFile(it->path(), 2))
                found.push_back(it->path().string());
        }
        std::sort(found.begin(), found.end());
        receivers.insert(receivers.end(), found.begin(), found.end());
    }
    return receivers;
}

std::vector<std::string> FindGpxFiles(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        std::error_code error;
        if (fs::is_directory(path, error)) {
            std::vector<std::string> found;
            fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied,
                                                error);
            for (; !error && it != fs::recursive_directory_iterator(); it.increment(error))
                if (it->is_regular_file(error) && IsGpxFile(it->path()))
                    found.push_back(it->path().string());
            std::sort(found.begin(), found.end());
            files.insert(files.end(), found.begin(), found.end());
        } else if (fs::exists(path, error)) {
            files.push_back(path);
        } else {
            ShowMessage(FormatText("Cannot open %s: No such file or directory", path.c_str()));
        }
    }
    return files;
}

GpxImport::GpxImport(const GpxImportChoice& choice) : choice_(choice) {
    data_.wantWaypoints = choice.waypoints;
    data_.wantRoutes = choice.routes;
    data_.wantTracks = choice.trackLines || choice.trackPoints;
}

GpxReadResult GpxImport::Counted(GpxReadResult result) {
    if (result == GpxReadResult::kRead || result == GpxReadResult::kBroken) ++filesRead_;
    return result;
}

GpxReadResult GpxImport::ReadFile(const std::string& path) {
    ShowProgress(FormatText(" Reading %s", path.c_str()));
    return Counted(ReadGpxFile(path, &data_));
}

void GpxImport::ReadFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        if (Feedback().CancelRequested()) break;
        ReadFile(path);
    }
}

GpxReadResult GpxImport::ReadBuffer(const char* bytes, size_t size, const std::string& name) {
    return Counted(ReadGpxBuffer(bytes, size, name, &data_));
}

void GpxImport::BuildLayers(GeometryStore& geometry, AttributeStore& attributes,
                            PictureSet* pictures) {
    if (data_.pointsWithoutPosition > 0)
        ShowMessage(FormatText("%ld points without a valid position were left out.",
                               data_.pointsWithoutPosition));
    if (choice_.waypoints && !data_.waypoints.empty())
        BuildWaypoints(geometry, attributes, pictures, data_, choice_.waypointsFile);
    if (choice_.routes && !data_.routes.empty())
        BuildLines(geometry, attributes, "GPX Routes", choice_.routesFile, data_.routes,
                   data_.routePoints);
    if (choice_.trackLines && !data_.tracks.empty())
        BuildLines(geometry, attributes, "GPX Tracks", choice_.tracksFile, data_.tracks,
                   data_.trackPoints);
    if (choice_.trackPoints && !data_.trackPoints.empty())
        BuildTrackPoints(geometry, attributes, data_, choice_.tracksFile + "Pts");
    GpxData empty;
    empty.wantWaypoints = data_.wantWaypoints;
    empty.wantRoutes = data_.wantRoutes;
    empty.wantTracks = data_.wantTracks;
    data_ = std::move(empty);
}
