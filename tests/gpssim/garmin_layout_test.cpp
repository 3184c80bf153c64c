// Every Garmin profile, read at the byte offsets hosts read each record layout at.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>

#include "host_line.h"
#include "sim_test_support.h"
#include "simulator_process.h"
#include "test_files.h"

namespace {

struct WaypointLayout {
    size_t size;  // 0: variable (NUL-terminated texts)
    size_t lat, lon;
    bool fixedIdent;  // 6 characters at 0; otherwise NUL-terminated at identAt
    size_t identAt;
    long commentAt;  // 40 characters; -1 none (D108/D109: the text after the ident)
    long alt16At;    // signed 16-bit altitude; -1 none
    long altFloatAt;
};

const std::map<int, WaypointLayout>& Layouts() {
    static const std::map<int, WaypointLayout> kLayouts = {
        {100, {58, 6, 10, true, 0, 18, -1, -1}},   {101, {63, 6, 10, true, 0, 18, -1, -1}},
        {102, {64, 6, 10, true, 0, 18, -1, -1}},   {103, {60, 6, 10, true, 0, 18, -1, -1}},
        {104, {65, 6, 10, true, 0, 18, -1, -1}},   {105, {0, 0, 4, false, 10, -1, -1, -1}},
        {106, {0, 14, 18, false, 24, -1, -1, -1}}, {107, {65, 6, 10, true, 0, 18, -1, -1}},
        {108, {0, 24, 28, false, 48, -1, -1, 32}}, {109, {0, 24, 28, false, 52, -1, -1, 32}},
        {110, {0, 24, 28, false, 62, -1, -1, 32}}, {150, {115, 9, 13, true, 0, 75, 17, -1}},
        {151, {124, 6, 10, true, 0, 18, 118, -1}}, {152, {124, 6, 10, true, 0, 18, 118, -1}},
        {154, {126, 6, 10, true, 0, 18, 118, -1}}, {155, {127, 6, 10, true, 0, 18, 118, -1}},
    };
    return kLayouts;
}

struct Announced {
    int waypointType = 0, routeProtocol = 0, routeHeader = 0, routeWaypoint = 0;
    int trackProtocol = 0, trackHeader = 0, trackPoint = 0;
};

Announced Parse(const WirePacket& caps) {
    Announced a;
    std::vector<std::pair<char, int>> e;
    for (size_t i = 0; i + 3 <= caps.data.size(); i += 3)
        e.emplace_back(static_cast<char>(caps.data[i]), U16At(caps.data, i + 1));
    for (size_t i = 0; i < e.size(); ++i) {
        auto d = [&](size_t k) {
            return i + k < e.size() && e[i + k].first == 'D' ? e[i + k].second : 0;
        };
        if (e[i] == std::make_pair('A', 100)) a.waypointType = d(1);
        if (e[i].first == 'A' && (e[i].second == 200 || e[i].second == 201)) {
            a.routeProtocol = e[i].second;
            a.routeHeader = d(1);
            a.routeWaypoint = d(2);
        }
        if (e[i] == std::make_pair('A', 300)) {
            a.trackProtocol = 300;
            a.trackPoint = d(1);
        }
        if (e[i] == std::make_pair('A', 301)) {
            a.trackProtocol = 301;
            a.trackHeader = d(1);
            a.trackPoint = d(2);
        }
    }
    return a;
}

void ExpectWaypoint(int type, const WirePacket& p, const nlohmann::json& w) {
    const WaypointLayout& l = Layouts().at(type);
    if (l.size) {
        EXPECT_EQ(p.data.size(), l.size) << "D" << type;
    }
    EXPECT_NEAR(Degrees(I32At(p.data, l.lat)), w["lat"].get<double>(), 1e-7) << "D" << type;
    EXPECT_NEAR(Degrees(I32At(p.data, l.lon)), w["lon"].get<double>(), 1e-7) << "D" << type;
    std::string ident = w["ident"].get<std::string>();
    if (l.fixedIdent) {
        EXPECT_EQ(FixedAt(p.data, 0, 6), ident.substr(0, 6)) << "D" << type;
    } else {
        EXPECT_EQ(TextAt(p.data, l.identAt), ident) << "D" << type;
    }
    if (l.commentAt >= 0) {
        EXPECT_EQ(FixedAt(p.data, static_cast<size_t>(l.commentAt), 40),
                  w["comment"].get<std::string>());
    }
    if (l.alt16At >= 0) {
        EXPECT_EQ(static_cast<int16_t>(U16At(p.data, static_cast<size_t>(l.alt16At))),
                  std::lround(w["alt"].get<double>()));
    }
    if (l.altFloatAt >= 0 && type != 110) {
        EXPECT_NEAR(FloatAt(p.data, static_cast<size_t>(l.altFloatAt)), w["alt"].get<double>(),
                    1e-3);
        EXPECT_EQ(TextAt(p.data, l.identAt + ident.size() + 1), w["comment"].get<std::string>());
    }
}

class GarminSimProfile : public testing::TestWithParam<const char*> {};

TEST_P(GarminSimProfile, SendsEveryRecordInTheLayoutsItAnnounces) {
    SimulatorProcess sim({"--profile", GetParam()});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    nlohmann::json data = DumpDataset({});
    HostLine line(sim.DevicePath());
    GarminIdentity id = Identify(line);
    ASSERT_EQ(id.capabilities.id, 253);
    Announced a = Parse(id.capabilities);
    ASSERT_EQ(Layouts().count(a.waypointType), 1u);

    GarminTransfer w = Transfer(line, 7);
    EXPECT_TRUE(w.allIntact);
    ASSERT_EQ(w.records.size(), data["waypoints"].size());
    for (size_t i = 0; i < w.records.size(); ++i)
        ExpectWaypoint(a.waypointType, w.records[i], data["waypoints"][i]);

    GarminTransfer r = Transfer(line, 4);
    EXPECT_TRUE(r.allIntact);
    EXPECT_EQ(r.announced, static_cast<int>(r.records.size()));
    size_t routeIndex = 0, node = 0;
    for (const WirePacket& p : r.records) {
        if (p.id == 29) {
            const auto& route = data["routes"][routeIndex++];
            node = 0;
            if (a.routeHeader == 200) {
                ASSERT_EQ(p.data.size(), 1u);
                EXPECT_EQ(p.data[0], route["number"].get<int>());
            } else if (a.routeHeader == 201) {
                ASSERT_EQ(p.data.size(), 21u);
                std::string comment = route["comment"].get<std::string>();
                EXPECT_EQ(FixedAt(p.data, 1, 20),
                          comment.empty() ? route["name"].get<std::string>() : comment);
            } else {
                EXPECT_EQ(TextAt(p.data, 0), route["name"].get<std::string>());
            }
        } else if (p.id == 30) {
            ASSERT_GT(routeIndex, 0u);
            const auto& ident = data["routes"][routeIndex - 1]["points"][node++];
            for (const auto& wp : data["waypoints"])
                if (wp["ident"] == ident) ExpectWaypoint(a.routeWaypoint, p, wp);
        } else {
            EXPECT_EQ(p.id, 98);
            EXPECT_EQ(a.routeProtocol, 201);
        }
    }
    EXPECT_EQ(routeIndex, data["routes"].size());

    GarminTransfer t = Transfer(line, 6);
    EXPECT_TRUE(t.allIntact);
    EXPECT_EQ(t.complete.data, (std::vector<uint8_t>{6, 0}));
    if (a.trackProtocol == 0) {
        EXPECT_EQ(t.announced, 0);
        EXPECT_TRUE(t.records.empty());
        return;
    }
    size_t headers = 0, points = 0;
    for (const WirePacket& p : t.records) {
        if (p.id == 99) {
            ++headers;
            EXPECT_EQ(TextAt(p.data, 2), data["tracks"][headers - 1]["name"].get<std::string>());
            continue;
        }
        ASSERT_EQ(p.id, 34);
        size_t expected = a.trackPoint == 300 ? 13 : a.trackPoint == 301 ? 21 : 25;
        EXPECT_EQ(p.data.size(), expected);
        ++points;
    }
    EXPECT_EQ(headers, a.trackProtocol == 301 ? data["tracks"].size() : 0u);
    EXPECT_EQ(points, 380u);
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, GarminSimProfile,
                         testing::Values("current", "d109", "d100", "d101", "d102", "d103", "d104",
                                         "d105", "d106", "d107", "d150", "d151", "d152", "d154",
                                         "d155", "d200", "d201", "d202", "d300", "d301", "new"));

TEST(GarminSimLayout, DleBytesAreStuffedInTheSizeTheDataAndOnlyThere) {
    // A D105 record of a five-letter ident is 16 bytes long: its size byte is a
    // DLE, and a latitude of 0x10101010 semicircles is four more.
    TempDir dir;
    const int32_t semicircles = 0x10101010;
    char json[256];
    std::snprintf(json, sizeof json,
                  R"({"waypoints": [{"ident": "ABCDE", "lat": %.17g, "lon": 1.5}]})",
                  semicircles * (180.0 / 2147483648.0));
    std::ofstream(dir.File("dle.json")) << json;
    SimulatorProcess sim({"--profile", "d105", "--dataset", dir.File("dle.json")});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    HostLine line(sim.DevicePath());
    Identify(line);
    GarminTransfer t = Transfer(line, 7);
    ASSERT_EQ(t.records.size(), 1u);
    const WirePacket& p = t.records[0];
    EXPECT_TRUE(p.framed && p.checksumOk);
    EXPECT_TRUE(p.hadStuffing);
    EXPECT_EQ(p.claimedSize, 16);
    EXPECT_EQ(I32At(p.data, 0), semicircles);
    EXPECT_EQ(TextAt(p.data, 10), "ABCDE");
}

TEST(GarminSimLayout, MissingValuesAndTheDateLineGoOutAsReceiversSendThem) {
    TempDir dir;
    std::ofstream(dir.File("edge.json")) << R"({"waypoints": [
        {"ident": "EAST", "lat": -90, "lon": 180},
        {"ident": "WEST", "lat": 90, "lon": -180, "alt": -12.5}],
      "tracks": [{"name": "", "points": [{"lat": 1, "lon": 2}]}]})";
    SimulatorProcess sim({"--dataset", dir.File("edge.json")});
    HostLine line(sim.DevicePath());
    Identify(line);
    GarminTransfer w = Transfer(line, 7);
    ASSERT_EQ(w.records.size(), 2u);
    // +180 degrees cannot be held in 32 bits: it goes out as -180, the same meridian.
    EXPECT_EQ(I32At(w.records[0].data, 28), INT32_MIN);
    EXPECT_EQ(I32At(w.records[0].data, 24), -(1 << 30));
    EXPECT_GT(FloatAt(w.records[0].data, 32), 1e24);  // no altitude: 1.0e25
    EXPECT_FLOAT_EQ(FloatAt(w.records[1].data, 32), -12.5f);
    GarminTransfer t = Transfer(line, 6);
    ASSERT_EQ(t.records.size(), 2u);
    EXPECT_EQ(TextAt(t.records[0].data, 2), "");
    EXPECT_EQ(static_cast<uint32_t>(I32At(t.records[1].data, 8)), 0xFFFFFFFFu);  // no time
}

}  // namespace
