// Dataset files: JSON in the layout documented in --help and docs/gpssim.md.

#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "dataset.h"

using nlohmann::json;

namespace {

// Reading stops at the first problem; the message names where it is.
struct BadDataset {
    std::string message;
};

double Number(const json& object, const char* key, const std::string& where, double fallback,
              bool required = false) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
        if (required) throw BadDataset{where + ": \"" + key + "\" is missing"};
        return fallback;
    }
    if (!it->is_number()) throw BadDataset{where + ": \"" + key + "\" must be a number"};
    double v = it->get<double>();
    if (!std::isfinite(v)) throw BadDataset{where + ": \"" + key + "\" must be finite"};
    return v;
}

std::string Text(const json& object, const char* key, const std::string& where,
                 bool required = false) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) {
        if (required) throw BadDataset{where + ": \"" + key + "\" is missing"};
        return "";
    }
    if (!it->is_string()) throw BadDataset{where + ": \"" + key + "\" must be a text"};
    return it->get<std::string>();
}

bool Flag(const json& object, const char* key, const std::string& where, bool fallback) {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) return fallback;
    if (!it->is_boolean()) throw BadDataset{where + ": \"" + key + "\" must be true or false"};
    return it->get<bool>();
}

void Position(const json& object, const std::string& where, double& lat, double& lon) {
    lat = Number(object, "lat", where, 0, true);
    lon = Number(object, "lon", where, 0, true);
    if (lat < -90 || lat > 90) throw BadDataset{where + ": latitude outside -90..90"};
    if (lon < -180 || lon > 180) throw BadDataset{where + ": longitude outside -180..180"};
}

const json& Array(const json& root, const char* key) {
    static const json kEmpty = json::array();
    auto it = root.find(key);
    if (it == root.end() || it->is_null()) return kEmpty;
    if (!it->is_array()) throw BadDataset{std::string("\"") + key + "\" must be a list"};
    return *it;
}

const json& Object(const json& item, const std::string& where) {
    if (!item.is_object()) throw BadDataset{where + " must be an object"};
    return item;
}

// "2003-05-17T14:22:05Z" (UTC) to Unix seconds; null means no time.
int64_t Time(const json& object, const std::string& where) {
    std::string text = Text(object, "time", where);
    if (text.empty()) return -1;
    std::tm tm{};
    char zone = 0;
    int n = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &tm.tm_year, &tm.tm_mon,
                        &tm.tm_mday, &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &zone);
    if (n != 7 || zone != 'Z' || tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 ||
        tm.tm_mday > 31 || tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 60)
        throw BadDataset{where + ": time \"" + text + "\" is not YYYY-MM-DDTHH:MM:SSZ"};
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return static_cast<int64_t>(timegm(&tm));
}

std::string TimeText(int64_t t) {
    if (t < 0) return "";
    std::time_t value = static_cast<std::time_t>(t);
    std::tm utc{};
    gmtime_r(&value, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

json Maybe(double v) {
    return std::isnan(v) ? json(nullptr) : json(v);
}

void Parse(const json& root, SimDataset& d) {
    if (!root.is_object()) throw BadDataset{"the file must hold one JSON object"};
    d.name = Text(root, "name", "dataset");
    if (auto m = root.find("magellan"); m != root.end() && !m->is_null()) {
        const json& o = Object(*m, "\"magellan\"");
        d.magellan.productId =
            static_cast<int>(Number(o, "productId", "\"magellan\"", d.magellan.productId));
        if (o.contains("version")) d.magellan.version = Text(o, "version", "\"magellan\"");
        if (o.contains("description"))
            d.magellan.description = Text(o, "description", "\"magellan\"");
    }
    std::map<std::string, size_t> byIdent;
    const json& waypoints = Array(root, "waypoints");
    for (size_t i = 0; i < waypoints.size(); ++i) {
        std::string where = "waypoint " + std::to_string(i + 1);
        const json& o = Object(waypoints[i], where);
        SimWaypoint w;
        w.ident = Text(o, "ident", where, true);
        w.comment = Text(o, "comment", where);
        Position(o, where, w.lat, w.lon);
        w.alt = Number(o, "alt", where, NotAvailable());
        w.depth = Number(o, "depth", where, NotAvailable());
        w.symbol = static_cast<int>(Number(o, "symbol", where, 0));
        byIdent.emplace(w.ident, d.waypoints.size());
        d.waypoints.push_back(w);
    }
    const json& routes = Array(root, "routes");
    for (size_t i = 0; i < routes.size(); ++i) {
        std::string where = "route " + std::to_string(i + 1);
        const json& o = Object(routes[i], where);
        SimRoute r;
        r.number = static_cast<int>(Number(o, "number", where, static_cast<double>(i + 1)));
        if (r.number < 0 || r.number > 255) throw BadDataset{where + ": number outside 0..255"};
        r.name = Text(o, "name", where);
        r.comment = Text(o, "comment", where);
        for (const json& node : Array(o, "points")) {
            if (!node.is_string()) throw BadDataset{where + ": points name waypoints by ident"};
            auto found = byIdent.find(node.get<std::string>());
            if (found == byIdent.end())
                throw BadDataset{where + ": no waypoint \"" + node.get<std::string>() + "\""};
            r.points.push_back(d.waypoints[found->second]);
        }
        d.routes.push_back(r);
    }
    const json& tracks = Array(root, "tracks");
    for (size_t i = 0; i < tracks.size(); ++i) {
        std::string where = "track " + std::to_string(i + 1);
        const json& o = Object(tracks[i], where);
        SimTrack t;
        t.name = Text(o, "name", where);
        const json& points = Array(o, "points");
        for (size_t k = 0; k < points.size(); ++k) {
            std::string at = where + ", point " + std::to_string(k + 1);
            const json& po = Object(points[k], at);
            SimTrackPoint p;
            Position(po, at, p.lat, p.lon);
            p.time = Time(po, at);
            p.alt = Number(po, "alt", at, NotAvailable());
            p.depth = Number(po, "depth", at, NotAvailable());
            p.valid = Flag(po, "valid", at, true);
            p.newSegment = Flag(po, "segment", at, false);
            p.hasPosition = Flag(po, "position", at, true);
            t.points.push_back(p);
        }
        d.tracks.push_back(t);
    }
    if (d.waypoints.size() > 30000 || d.routes.size() > 250)
        throw BadDataset{"at most 30000 waypoints and 250 routes"};
}

}  // namespace

bool LoadDatasetFile(const std::string& path, SimDataset& out, std::string& error) {
    out = SimDataset{};
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the dataset " + path;
        return false;
    }
    try {
        json root = json::parse(in);
        Parse(root, out);
    } catch (const json::exception& e) {
        error = path + ": not valid JSON: " + e.what();
        return false;
    } catch (const BadDataset& bad) {
        error = path + ": " + bad.message;
        return false;
    }
    if (out.name.empty()) out.name = path;
    return true;
}

std::string DatasetToJson(const SimDataset& d) {
    json root;
    root["name"] = d.name;
    root["magellan"] = {{"productId", d.magellan.productId},
                        {"version", d.magellan.version},
                        {"description", d.magellan.description}};
    json waypoints = json::array();
    for (const SimWaypoint& w : d.waypoints)
        waypoints.push_back({{"ident", w.ident},
                             {"comment", w.comment},
                             {"lat", w.lat},
                             {"lon", w.lon},
                             {"alt", Maybe(w.alt)},
                             {"depth", Maybe(w.depth)},
                             {"symbol", w.symbol}});
    root["waypoints"] = waypoints;
    json routes = json::array();
    for (const SimRoute& r : d.routes) {
        json points = json::array();
        for (const SimWaypoint& w : r.points) points.push_back(w.ident);
        routes.push_back(
            {{"number", r.number}, {"name", r.name}, {"comment", r.comment}, {"points", points}});
    }
    root["routes"] = routes;
    json tracks = json::array();
    for (const SimTrack& t : d.tracks) {
        json points = json::array();
        for (const SimTrackPoint& p : t.points) {
            json o = {{"lat", p.lat},
                      {"lon", p.lon},
                      {"alt", Maybe(p.alt)},
                      {"depth", Maybe(p.depth)},
                      {"valid", p.valid}};
            o["time"] = p.time < 0 ? json(nullptr) : json(TimeText(p.time));
            if (p.newSegment) o["segment"] = true;
            if (!p.hasPosition) o["position"] = false;
            points.push_back(o);
        }
        tracks.push_back({{"name", t.name}, {"points", points}});
    }
    root["tracks"] = tracks;
    return root.dump(1) + "\n";
}
