// The datasets the simulator carries without a file.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "dataset.h"

namespace {

// 2003-05-17 00:00:00 UTC, the day the sample town was surveyed.
constexpr int64_t kSurveyDay = 1053129600;
constexpr double kPi = 3.14159265358979323846;

SimWaypoint MakeWaypoint(const char* ident, const char* comment, double lat, double lon, double alt,
                         int symbol) {
    SimWaypoint w;
    w.ident = ident;
    w.comment = comment;
    w.lat = lat;
    w.lon = lon;
    w.alt = alt;
    w.symbol = symbol;
    return w;
}

// Receivers write waypoint creation times as "17-MAY-03 14:22".
std::string SurveyComment(int minuteOfDay) {
    char text[32];
    std::snprintf(text, sizeof text, "17-MAY-03 %02d:%02d", minuteOfDay / 60 % 24,
                  minuteOfDay % 60);
    return text;
}

SimRoute MakeRoute(int number, const char* name, const char* comment,
                   const std::vector<SimWaypoint>& waypoints, const std::vector<int>& nodes) {
    SimRoute r;
    r.number = number;
    r.name = name;
    r.comment = comment;
    for (int n : nodes) r.points.push_back(waypoints[static_cast<size_t>(n)]);
    return r;
}

// A walk around a centre: a slowly turning ellipse with a little wobble, one
// point every `step` seconds, altitudes rolling over the hills.
SimTrack MakeTrack(const char* name, double lat0, double lon0, double radius, int points,
                   int64_t start, int step) {
    SimTrack t;
    t.name = name;
    for (int i = 0; i < points; ++i) {
        double a = 2.0 * kPi * i / points;
        SimTrackPoint p;
        p.lat = lat0 + radius * std::sin(a) + 0.0004 * std::sin(7 * a);
        p.lon = lon0 + 1.5 * radius * std::cos(a) + 0.0004 * std::cos(5 * a);
        p.time = start + static_cast<int64_t>(i) * step;
        p.alt = 505.0 + 18.0 * std::sin(3 * a) + 0.5 * (i % 4);
        t.points.push_back(p);
    }
    return t;
}

// The walk a track log records through `sites`: it leaves site i at
// `times[i]` and reaches site i + 1 at `times[i + 1]`, swaying a little off the
// straight line between them, and is logged every `step` seconds from the
// first time on. Altitudes run from one site's to the next with a small roll.
SimTrack WalkThrough(const char* name, const std::vector<SimWaypoint>& sites,
                     const std::vector<int64_t>& times, int points, int step) {
    SimTrack t;
    t.name = name;
    size_t leg = 0;
    for (int i = 0; i < points; ++i) {
        const int64_t time = times.front() + static_cast<int64_t>(i) * step;
        while (leg + 2 < times.size() && time > times[leg + 1]) ++leg;
        const SimWaypoint& from = sites[leg];
        const SimWaypoint& to = sites[leg + 1];
        double f = static_cast<double>(time - times[leg]) /
                   static_cast<double>(times[leg + 1] - times[leg]);
        f = std::min(1.0, std::max(0.0, f));
        // The sway is across the leg and vanishes at both ends of it.
        const double sway = 0.05 * std::sin(kPi * f) * std::sin(5 * kPi * f);
        SimTrackPoint p;
        p.lat = from.lat + f * (to.lat - from.lat) - sway * (to.lon - from.lon);
        p.lon = from.lon + f * (to.lon - from.lon) + sway * (to.lat - from.lat);
        p.time = time;
        p.alt = from.alt + f * (to.alt - from.alt) + 0.5 * (i % 4);
        t.points.push_back(p);
    }
    return t;
}

void SampleTown(SimDataset& d) {
    d.name = "builtin";
    struct Site {
        const char* ident;
        double dlat, dlon, alt;
        int symbol;
    };
    // Twenty places of a small town, offsets in degrees from its market square,
    // in the order a day's walk marked them: round the centre, south-west to the
    // station and the lake, east along the river, north up to the peak, and back
    // by the school.
    static const Site kSites[] = {
        {"MARKET", 0.0000, 0.0000, 512.0, 18},   {"CHURCH", 0.0012, 0.0021, 515.5, 8},
        {"MUSEUM", 0.0005, 0.0029, 513.9, 18},   {"TOWNHL", -0.0008, 0.0015, 511.0, 18},
        {"BAKERY", -0.0013, -0.0007, 510.9, 18}, {"STATN", -0.0061, -0.0045, 498.2, 35},
        {"LAKE", -0.0112, -0.0153, 487.5, 18},   {"FARM", -0.0091, 0.0037, 495.3, 18},
        {"FERRY", -0.0052, 0.0141, 490.1, 18},   {"MILL", -0.0040, 0.0112, 492.0, 18},
        {"BRIDGE", -0.0025, 0.0080, 494.7, 18},  {"GATE", 0.0031, 0.0054, 517.2, 18},
        {"TOWER", 0.0095, 0.0060, 561.3, 18},    {"CASTLE", 0.0121, 0.0019, 574.0, 18},
        {"FOREST", 0.0178, 0.0133, 602.2, 18},   {"PEAK", 0.0230, 0.0045, 731.0, 18},
        {"CHAPEL", 0.0150, -0.0087, 588.6, 8},   {"SCHOOL", 0.0043, -0.0032, 520.0, 18},
        {"INN", 0.0018, -0.0020, 513.4, 18},     {"WELL", 0.0007, -0.0011, 512.8, 18},
    };
    const double lat0 = 48.2031, lon0 = 11.3452;
    // Each place was marked 29 minutes after the one before, from 08:05 on.
    const int firstMinute = 8 * 60 + 5;
    std::vector<int64_t> marked;
    for (const Site& s : kSites) {
        const int minute = firstMinute + 29 * static_cast<int>(marked.size());
        d.waypoints.push_back(MakeWaypoint(s.ident, SurveyComment(minute).c_str(), lat0 + s.dlat,
                                           lon0 + s.dlon, s.alt, s.symbol));
        marked.push_back(kSurveyDay + 60 * static_cast<int64_t>(minute));
    }
    // The walk ends back at the market square, 29 minutes after the last place.
    std::vector<SimWaypoint> walk = d.waypoints;
    walk.push_back(d.waypoints.front());
    marked.push_back(marked.back() + 29 * 60);

    d.routes.push_back(MakeRoute(1, "TOWN WALK", "", d.waypoints, {0, 1, 2, 3, 4, 19, 18}));
    std::vector<int> tour;
    for (int i = 0; i < 20; ++i) tour.push_back(i);
    tour.push_back(0);
    d.routes.push_back(MakeRoute(2, "GRAND TOUR", "ALL SIGHTS", d.waypoints, tour));
    // The track log of the walk, saved at the mill before lunch and again at
    // the end: the morning's 220 points and the afternoon's 160.
    const auto split = walk.begin() + 10;
    d.tracks.push_back(WalkThrough("MORNING", {walk.begin(), split},
                                   {marked.begin(), marked.begin() + 10}, 220, 71));
    d.tracks.push_back(WalkThrough("AFTERNOON", {split - 1, walk.end()},
                                   {marked.begin() + 9, marked.end()}, 160, 120));
}

// The sentences of the Magellan examples: HOME at 48.11730 N 11.51667 E, the
// route HOME-SHOP-PARK, a route with a comment, unnamed tracks and void fixes.
void Examples(SimDataset& d) {
    d.name = "examples";
    d.waypoints.push_back(MakeWaypoint("HOME", "MY HOUSE", 48.1173, 11.516666666666667, 545, 0));
    d.waypoints.push_back(MakeWaypoint("SHOP", "CORNER SHOP", 48.1201, 11.523, 530, 1));
    d.waypoints.push_back(MakeWaypoint("PARK", "CITY PARK", 48.115, 11.53, 520, 0));
    d.routes.push_back(MakeRoute(1, "HOME TO PARK", "", d.waypoints, {0, 1, 2}));
    d.routes.push_back(MakeRoute(2, "BACK HOME", "MY ROUTE", d.waypoints, {2, 0}));

    auto point = [](double lat, double lon, int64_t time, double alt, bool valid) {
        SimTrackPoint p;
        p.lat = lat;
        p.lon = lon;
        p.time = time;
        p.alt = alt;
        p.valid = valid;
        return p;
    };
    const int64_t t0 = kSurveyDay + 9 * 3600;
    SimTrack unnamed;
    unnamed.points = {
        point(48.1173, 11.5167, t0, 545, true), point(48.1180, 11.5180, t0 + 60, 544, true),
        point(48.1190, 11.5195, t0 + 120, 541, false), point(48.1195, 11.5210, t0 + 180, 538, true),
        point(48.1201, 11.5230, t0 + 240, 530, true)};
    SimTrack morning;
    morning.name = "MORNING";
    morning.points = {
        point(48.1201, 11.5230, t0 + 600, 530, true), point(48.1190, 11.5250, t0 + 660, 527, true),
        point(48.1175, 11.5270, t0 + 720, 524, true), point(48.1160, 11.5285, t0 + 780, 522, true),
        point(48.1150, 11.5300, t0 + 840, 520, true)};
    SimTrack evening;
    evening.name = "EVENING";
    evening.points = {point(48.1150, 11.5300, t0 + 32400, 520, false),
                      point(48.1155, 11.5260, t0 + 32460, 526, true),
                      point(48.1165, 11.5210, t0 + 32520, 535, true),
                      point(48.1173, 11.5167, t0 + 32580, 545, true)};
    // A second unnamed stretch: hosts that split tracks by name join it to
    // nothing, since the previous name differs.
    SimTrack unnamedAgain;
    unnamedAgain.points = {point(48.1173, 11.5167, t0 + 36000, 545, true),
                           point(48.1170, 11.5150, t0 + 36060, 546, true)};
    d.tracks = {unnamed, morning, evening, unnamedAgain};
}

// What a GIS must get right: lines of one point (a one-node route first, a
// one-point track), a track of three segments with a point without position
// that begins one and a point without time, a track longer than 10,000
// points, two waypoints at one position, and names beyond ASCII.
void Oddities(SimDataset& d) {
    d.name = "oddities";
    const double lat0 = 46.5197, lon0 = 6.6323;
    d.waypoints = {
        MakeWaypoint("\xC3\x89TANG", "BORD DE L'EAU", lat0, lon0, 372.0, 18),
        MakeWaypoint("TWIN1", "FIRST AT THIS PLACE", lat0 + 0.01, lon0 + 0.01, 400.0, 18),
        MakeWaypoint("TWIN2", "SECOND AT THIS PLACE", lat0 + 0.01, lon0 + 0.01, 401.0, 18),
        MakeWaypoint("M\xC3\x9CHLE",
                     "STRA\xC3\x9F"
                     "E 5, C\xC3\xB8TE",
                     lat0 - 0.02, lon0 + 0.03, NotAvailable(), 18),
    };
    d.routes.push_back(MakeRoute(1, "SOLO", "", d.waypoints, {3}));
    d.routes.push_back(MakeRoute(2, "CAF\xC3\x89 TOUR", "", d.waypoints, {0, 1, 2, 3, 0}));

    auto point = [](double lat, double lon, int64_t time) {
        SimTrackPoint p;
        p.lat = lat;
        p.lon = lon;
        p.time = time;
        p.alt = 380.0;
        return p;
    };
    const int64_t t0 = kSurveyDay + 10 * 3600;
    SimTrack single;
    single.name = "SINGLE";
    single.points = {point(lat0, lon0, t0)};
    d.tracks.push_back(single);

    // Segments of 3, 1 and 3 points; the third begins at a point without position,
    // whose flag the next point with one carries; one point has no time.
    SimTrack segments;
    segments.name = "THREE SEGMENTS";
    for (int i = 0; i < 8; ++i) {
        SimTrackPoint p = point(lat0 + 0.001 * i, lon0 - 0.001 * i, t0 + 60 * (i + 1));
        p.newSegment = i == 3 || i == 4;
        p.hasPosition = i != 4;
        if (i == 6) p.time = -1;
        segments.points.push_back(p);
    }
    d.tracks.push_back(segments);
    d.tracks.push_back(
        MakeTrack("L\xC3\x89MAN SHORE", lat0 - 0.03, lon0 + 0.1, 0.05, 10500, t0 + 3600, 2));
}

bool Generated(const std::string& sizes, SimDataset& d, std::string& error) {
    long w = 0, r = 0, t = 0;
    char tail = 0;
    if (std::sscanf(sizes.c_str(), "%ld,%ld,%ld%c", &w, &r, &t, &tail) != 3 || w < 0 || r < 0 ||
        t < 0 || w > 30000 || r > 250 || t > 30000 || (r > 0 && w == 0)) {
        error =
            "generated datasets are generated:W,R,T with at most 30000 waypoints, 250 routes "
            "(which need waypoints) and 30000 track points";
        return false;
    }
    d.name = "generated:" + sizes;
    char ident[32];
    for (long i = 0; i < w; ++i) {
        std::snprintf(ident, sizeof ident, "W%05ld", i + 1);
        d.waypoints.push_back(MakeWaypoint(ident, SurveyComment(static_cast<int>(i % 1440)).c_str(),
                                           47.0 + 0.001 * static_cast<double>(i / 100),
                                           10.0 + 0.001 * static_cast<double>(i % 100),
                                           400.0 + static_cast<double>(i % 300), 18));
    }
    for (long k = 0; k < r; ++k) {
        std::vector<int> nodes;
        for (long n = 0; n < 10; ++n) nodes.push_back(static_cast<int>((k * 7 + n * 13) % w));
        char name[32];
        std::snprintf(name, sizeof name, "ROUTE %ld", k + 1);
        d.routes.push_back(MakeRoute(static_cast<int>(k % 255) + 1, name, "", d.waypoints, nodes));
    }
    if (t > 0) {
        int first = static_cast<int>(t / 2 + t % 2);
        d.tracks.push_back(MakeTrack("FIRST", 47.02, 10.02, 0.01, first, kSurveyDay, 5));
        if (t / 2 > 0)
            d.tracks.push_back(MakeTrack("SECOND", 47.05, 10.06, 0.02, static_cast<int>(t / 2),
                                         kSurveyDay + 86400, 5));
    }
    return true;
}

}  // namespace

bool BuiltinDataset(const std::string& name, SimDataset& out, std::string& error) {
    out = SimDataset{};
    if (name == "builtin") {
        SampleTown(out);
        return true;
    }
    if (name == "examples") {
        Examples(out);
        return true;
    }
    if (name == "oddities") {
        Oddities(out);
        return true;
    }
    if (name.compare(0, 10, "generated:") == 0) return Generated(name.substr(10), out, error);
    error = "unknown dataset '" + name +
            "' (builtin, examples, oddities, generated:W,R,T or a .json file)";
    return false;
}

std::string ToReceiverText(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        // U+0080..U+00FF are the two-byte sequences led by 0xC2 and 0xC3.
        const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size())
            out += static_cast<char>(((c & 0x03) << 6) | (utf8[i + 1] & 0x3F));
        else
            out += '?';
        i += length;
    }
    return out;
}
