// Export of large layers, timed: a Point layer of a million waypoints with a
// five-field waypoint table (about 125 MB written), a line layer of 200 lines of
// 5,000 points with its one-field table, and one track of a million points as
// one line record. Each export runs into an emptied
// directory; the best of the runs is reported with the bytes written, so that
// bench/run-export-bench.sh can compare it with dd writing as many bytes.
//
// usage: quorvex-bench-export DIR [--runs N] [--csv FILE]
//   --csv FILE  also writes the waypoints as CSV (for the ogr2ogr comparison)
//
// Output, one line each: "<case> seconds <best> bytes <total>".

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/user_feedback.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "shapefile/layer_export.h"

namespace {

constexpr int kWaypoints = 1000000;
constexpr int kLines = 200;
constexpr int kPointsPerLine = 5000;
constexpr int kTrackPoints = 1000000;

struct Document {
    GeometryStore geometry;
    AttributeStore attributes;
};

double WaypointX(int i) {
    return -120.0 + (i % 1000) * 0.01 + i * 1e-9;
}
double WaypointY(int i) {
    return 30.0 + (i / 1000) * 0.01;
}

void FillWaypoints(Document& doc) {
    int l = doc.geometry.AddLayer("Garmin GPS Waypoints", "Waypoints", 500, 0, 0);
    int t = doc.attributes.AddTable("Garmin GPS Waypoints", "Waypoints");
    doc.geometry.Layer(l).attributeTable = t;
    doc.attributes.AddField(t, "Ident", 'C', 12, 0);
    doc.attributes.AddField(t, "Longitude", 'N', 12, 5);
    doc.attributes.AddField(t, "Latitude", 'N', 12, 5);
    doc.attributes.AddField(t, "Comment", 'C', 40, 0);
    doc.attributes.AddField(t, "Altitude", 'N', 12, 2);
    doc.attributes.ReserveRecords(t, 500);
    char text[64];
    for (int i = 0; i < kWaypoints; ++i) {
        int p = doc.geometry.FindOrAddPoint(l, WaypointX(i), WaypointY(i));
        std::snprintf(text, sizeof text, "WP%06d", i);
        doc.attributes.SetText(t, p, 0, text);
        doc.attributes.SetNumber(t, p, 1, WaypointX(i));
        doc.attributes.SetNumber(t, p, 2, WaypointY(i));
        std::snprintf(text, sizeof text, "Waypoint number %d of the benchmark", i);
        doc.attributes.SetText(t, p, 3, text);
        doc.attributes.SetNumber(t, p, 4, 100.0 + i % 500);
    }
    doc.geometry.ComputeExtent(l);
}

void FillLines(Document& doc) {
    int l = doc.geometry.AddLayer("Garmin GPS Tracks", "Tracks", 500, 500, 0);
    int t = doc.attributes.AddTable("Garmin GPS Tracks", "Tracks");
    doc.geometry.Layer(l).attributeTable = t;
    doc.attributes.AddField(t, "Ident", 'C', 40, 0);
    char text[64];
    for (int line = 0; line < kLines; ++line) {
        int previous = -1;
        for (int i = 0; i < kPointsPerLine; ++i) {
            int p = doc.geometry.FindOrAddPoint(l, -100.0 + i * 1e-4, 40.0 + line * 1e-3);
            // Each edge carries its line's record number.
            if (previous >= 0) doc.geometry.AddVertex(l, line + 1, previous, p);
            previous = p;
        }
        std::snprintf(text, sizeof text, "Track %d", line);
        doc.attributes.SetText(t, line, 0, text);
    }
    doc.geometry.ComputeExtent(l);
}

void FillTrack(Document& doc) {
    int l = doc.geometry.AddLayer("Garmin GPS Tracks", "Track", 500, 500, 0);
    int t = doc.attributes.AddTable("Garmin GPS Tracks", "Track");
    doc.geometry.Layer(l).attributeTable = t;
    doc.attributes.AddField(t, "Ident", 'C', 40, 0);
    doc.attributes.SetText(t, 0, 0, "ACTIVE LOG");
    int previous = -1;
    for (int i = 0; i < kTrackPoints; ++i) {
        int p = doc.geometry.AppendPoint(l, -100.0 + (i % 1000) * 1e-4, 40.0 + i * 1e-6);
        if (previous >= 0) doc.geometry.AddVertex(l, 1, previous, p);
        previous = p;
    }
    doc.geometry.ComputeExtent(l);
}

void WriteCsv(const std::string& file) {
    std::FILE* out = std::fopen(file.c_str(), "w");
    if (!out) {
        std::perror(file.c_str());
        std::exit(1);
    }
    std::fprintf(out, "Ident,Longitude,Latitude,Comment,Altitude\n");
    for (int i = 0; i < kWaypoints; ++i)
        std::fprintf(out, "WP%06d,%.5f,%.5f,Waypoint number %d of the benchmark,%.2f\n", i,
                     WaypointX(i), WaypointY(i), i, 100.0 + i % 500);
    std::fclose(out);
}

// Best time of `runs` exports of everything in `doc`, each into an emptied
// directory, and the bytes of one export.
void Time(const char* label, Document& doc, const std::string& dir, int runs) {
    double best = 1e30;
    uintmax_t bytes = 0;
    for (int run = 0; run < runs; ++run) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        for (int i = 0; i < doc.geometry.layerCount; ++i) doc.geometry.Layer(i).modified = true;
        for (int i = 0; i < doc.attributes.tableCount; ++i) doc.attributes.Table(i).modified = true;

        auto start = std::chrono::steady_clock::now();
        ExportResult result = ExportLayers(doc.geometry, doc.attributes, dir + "/");
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!result.allWritten) {
            std::fprintf(stderr, "%s: export failed\n", label);
            std::exit(1);
        }
        best = std::min(best, seconds);
        bytes = 0;
        for (const std::string& f : result.filesWritten) bytes += std::filesystem::file_size(f);
    }
    std::filesystem::remove_all(dir);
    std::printf("%s seconds %.4f bytes %ju\n", label, best, bytes);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [--runs N] [--csv FILE]\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    int runs = 3;
    std::string csv;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--csv") == 0) csv = argv[i + 1];
    }

    {
        Document doc;
        doc.geometry.Clear();
        FillWaypoints(doc);
        Time("points", doc, dir + "/points", runs);
    }
    {
        Document doc;
        doc.geometry.Clear();
        FillLines(doc);
        Time("lines", doc, dir + "/lines", runs);
    }
    {
        Document doc;
        doc.geometry.Clear();
        FillTrack(doc);
        Time("track", doc, dir + "/track", runs);
    }
    if (!csv.empty()) WriteCsv(csv);
    return 0;
}
