#include "app/demo_data.h"

#include <cmath>
#include <cstdio>

#include "layers/attribute_store.h"
#include "layers/geometry_store.h"

namespace {

struct Place {
    const char* ident;
    double x;
    double y;
};

// A walk in the hills: waypoints, in decimal degrees.
constexpr Place kWaypoints[] = {
    {"CAMP", 7.7480, 46.0200},   {"BRIDGE", 7.7712, 46.0284}, {"LAKE", 7.7930, 46.0105},
    {"PASS", 7.8210, 46.0390},   {"HUT", 7.8055, 46.0612},    {"SUMMIT", 7.8420, 46.0735},
    {"SPRING", 7.7630, 46.0520}, {"CHAPEL", 7.7345, 46.0440}, {"VIEW", 7.8600, 46.0480},
    {"FORD", 7.7860, 46.0360},   {"FARM", 7.7215, 46.0275},   {"CAIRN", 7.8330, 46.0570},
};
constexpr int kRoute[] = {0, 1, 9, 3, 11, 5};

int NewLayer(GeometryStore& geometry, AttributeStore& attributes, const char* name,
             const char* fileName, bool lines, int fieldWidth, const char* field = "Ident") {
    const int layer = geometry.AddLayer(name, fileName, 500, lines ? 500 : 0, 0);
    const int table = attributes.AddTable(name, fileName);
    if (layer < 0 || table < 0) return -1;
    geometry.Layer(layer).attributeTable = table;
    attributes.AddField(table, field, 'C', fieldWidth, 0);
    return layer;
}

}  // namespace

void FillDemoData(GeometryStore& geometry, AttributeStore& attributes) {
    const int waypoints =
        NewLayer(geometry, attributes, "Garmin GPS Waypoints", "Waypoints", false, 12);
    if (waypoints >= 0) {
        const int table = geometry.Layer(waypoints).attributeTable;
        int record = 0;
        for (const Place& p : kWaypoints) {
            geometry.FindOrAddPoint(waypoints, p.x, p.y);
            attributes.SetText(table, record++, 0, p.ident);
        }
        geometry.ComputeExtent(waypoints);
    }

    const int routes = NewLayer(geometry, attributes, "Garmin GPS Routes", "Routes", true, 40);
    if (routes >= 0) {
        attributes.SetText(geometry.Layer(routes).attributeTable, 0, 0, "TO THE SUMMIT");
        int previous = -1;
        for (int stop : kRoute) {
            const int point =
                geometry.FindOrAddPoint(routes, kWaypoints[stop].x, kWaypoints[stop].y);
            if (previous >= 0) geometry.AddVertex(routes, 0, previous, point);
            previous = point;
        }
        geometry.ComputeExtent(routes);
    }

    // The track log wanders along the route with a little noise of its own.
    const int tracks = NewLayer(geometry, attributes, "Garmin GPS Tracks", "Tracks", true, 40);
    const int trackPoints =
        NewLayer(geometry, attributes, "Garmin GPS Tracks(Pts)", "TracksPts", false, 20, "Time");
    if (tracks >= 0 && trackPoints >= 0) {
        attributes.SetText(geometry.Layer(tracks).attributeTable, 0, 0, "Track #1");
        const int pointTable = geometry.Layer(trackPoints).attributeTable;
        int previous = -1;
        int record = 0;
        constexpr int kLegs = sizeof kRoute / sizeof kRoute[0] - 1;
        constexpr int kSteps = 40;
        for (int leg = 0; leg < kLegs; ++leg) {
            const Place& a = kWaypoints[kRoute[leg]];
            const Place& b = kWaypoints[kRoute[leg + 1]];
            for (int s = 0; s < kSteps; ++s) {
                const double t = static_cast<double>(s) / kSteps;
                const double wobble = 0.0018 * std::sin(t * 6.2831853 * 2 + leg);
                const double x = a.x + (b.x - a.x) * t + wobble;
                const double y = a.y + (b.y - a.y) * t - wobble * 0.6 + 0.0015;
                const int point = geometry.FindOrAddPoint(tracks, x, y);
                if (previous >= 0) geometry.AddVertex(tracks, 0, previous, point);
                previous = point;
                geometry.FindOrAddPoint(trackPoints, x, y);
                // A fix every 20 seconds from 08:05 on, as a receiver logs them.
                char time[24];
                const int seconds = 8 * 3600 + 5 * 60 + 20 * record;
                std::snprintf(time, sizeof time, "17-MAY-03 %02d:%02d:%02d", seconds / 3600,
                              seconds / 60 % 60, seconds % 60);
                attributes.SetText(pointTable, record++, 0, time);
            }
        }
        geometry.ComputeExtent(tracks);
        geometry.ComputeExtent(trackPoints);
    }
    geometry.ComputeTotalExtent();
}
