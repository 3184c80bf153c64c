#include "garmin_profiles.h"

#include <cstdio>

#include "core/byte_order.h"

const std::vector<GarminProfile>& GarminProfiles() {
    // Receivers with a capability list get product IDs of their own (900 on), so
    // no host mistakes them for a unit of its product table. "old" is a unit
    // of that table: it must be identified through QUORVEX.XRF.
    static const std::vector<GarminProfile> kProfiles = {
        {"current", 900, 370, "SIMULATED D108 Software Version 3.70", true, 108, 201, 202, 108, 210,
         301, 310, 301},
        {"d109", 901, 280, "SIMULATED D109 Software Version 2.80", true, 109, 201, 202, 109, 210,
         301, 310, 301},
        {"old", 13, 250, "GPS 75 Software Version 2.50", false, 100, 200, 200, 100, 0, 300, 0, 300},
        {"d100", 902, 300, "SIMULATED D100 Software Version 3.00", true, 100, 200, 200, 100, 0, 300,
         0, 300},
        {"d101", 903, 300, "SIMULATED D101 Software Version 3.00", true, 101, 201, 201, 101, 210,
         300, 0, 300},
        {"d102", 904, 300, "SIMULATED D102 Software Version 3.00", true, 102, 201, 201, 102, 210,
         300, 0, 300},
        {"d103", 905, 300, "SIMULATED D103 Software Version 3.00", true, 103, 201, 201, 103, 210,
         300, 0, 300},
        {"d104", 906, 300, "SIMULATED D104 Software Version 3.00", true, 104, 201, 201, 104, 210,
         300, 0, 300},
        {"d105", 907, 300, "SIMULATED D105 Software Version 3.00", true, 105, 201, 202, 105, 210,
         301, 310, 301},
        {"d106", 908, 300, "SIMULATED D106 Software Version 3.00", true, 106, 201, 202, 106, 210,
         301, 310, 301},
        {"d107", 909, 300, "SIMULATED D107 Software Version 3.00", true, 107, 200, 200, 107, 0, 300,
         0, 300},
        {"d150", 910, 300, "SIMULATED D150 Software Version 3.00", true, 150, 201, 201, 150, 210, 0,
         0, 0},
        {"d151", 911, 300, "SIMULATED D151 Software Version 3.00", true, 151, 200, 200, 151, 0, 300,
         0, 300},
        {"d152", 912, 300, "SIMULATED D152 Software Version 3.00", true, 152, 201, 201, 152, 210,
         300, 0, 300},
        {"d154", 913, 300, "SIMULATED D154 Software Version 3.00", true, 154, 201, 201, 154, 210,
         301, 310, 301},
        {"d155", 914, 300, "SIMULATED D155 Software Version 3.00", true, 155, 201, 201, 155, 210,
         300, 0, 300},
        {"d200", 915, 300, "SIMULATED D200 Software Version 3.00", true, 108, 200, 200, 108, 0, 300,
         0, 300},
        {"d201", 916, 300, "SIMULATED D201 Software Version 3.00", true, 108, 201, 201, 108, 210,
         301, 310, 301},
        {"d202", 917, 300, "SIMULATED D202 Software Version 3.00", true, 108, 201, 202, 108, 210,
         301, 310, 301},
        {"d300", 918, 300, "SIMULATED D300 Software Version 3.00", true, 108, 201, 202, 108, 210,
         300, 0, 300},
        {"d301", 919, 300, "SIMULATED D301 Software Version 3.00", true, 108, 201, 202, 108, 210,
         301, 310, 301},
        // Layouts a newer receiver announces and older hosts do not read.
        {"new", 920, 400, "SIMULATED D110 Software Version 4.00", true, 110, 201, 202, 110, 210,
         301, 312, 302},
        // Fitness units: A302 track logs of numbered tracks.
        {"fitness", 921, 300, "SIMULATED A302 D304 Software Version 3.00", true, 108, 201, 202, 108,
         210, 302, 311, 304},
        {"fitness303", 922, 300, "SIMULATED A302 D303 Software Version 3.00", true, 108, 201, 202,
         108, 210, 302, 311, 303},
        // A panel-mount aviation unit of the product table: link L002, no track log.
        {"aviation", 20, 300, "GPS 150 Software Version 3.00", false, 150, 200, 201, 150, 0, 0, 0,
         0, 2},
    };
    return kProfiles;
}

const GarminProfile* FindGarminProfile(const std::string& name) {
    if (name == "d108") return FindGarminProfile("current");
    if (name == "d310") return FindGarminProfile("d301");
    for (const GarminProfile& p : GarminProfiles())
        if (name == p.name) return &p;
    return nullptr;
}

void MakeTypesUnknown(GarminProfile& profile) {
    profile.waypointType = 199;
    profile.routeHeaderType = 299;
    profile.trackPointType = 399;
}

namespace {

// L001 and L002 packet IDs that differ: command, records, route header, route
// waypoint, waypoint. L002 has no track or route link packets.
constexpr uint8_t kLinkOneIds[] = {10, 27, 29, 30, 35};
constexpr uint8_t kLinkTwoIds[] = {11, 35, 37, 39, 43};
// A010 and A011 numbers of abort, routes and waypoints; A011 has no track log.
constexpr uint16_t kA010[] = {0, 4, 7};
constexpr uint16_t kA011[] = {0, 8, 21};

template <typename T, size_t N>
T Translate(T value, const T (&from)[N], const T (&to)[N], T other) {
    for (size_t i = 0; i < N; ++i)
        if (value == from[i]) return to[i];
    return other;
}

}  // namespace

uint8_t WirePacketId(const GarminProfile& p, uint8_t id) {
    return p.link == 2 ? Translate(id, kLinkOneIds, kLinkTwoIds, id) : id;
}

uint8_t LinkOnePacketId(const GarminProfile& p, uint8_t id) {
    if (p.link != 2) return id;
    for (size_t i = 0; i < sizeof kLinkTwoIds; ++i)
        if (id == kLinkTwoIds[i]) return kLinkOneIds[i];
    // An ID that only L001 gives a meaning means nothing on this line.
    for (uint8_t one : kLinkOneIds)
        if (id == one) return 0;
    return id;
}

uint16_t WireCommand(const GarminProfile& p, uint16_t command) {
    return p.link == 2 ? Translate(command, kA010, kA011, uint16_t{0xFFFF}) : command;
}

uint16_t LinkOneCommand(const GarminProfile& p, uint16_t command) {
    return p.link == 2 ? Translate(command, kA011, kA010, uint16_t{0xFFFF}) : command;
}

std::vector<uint8_t> CapabilityData(const GarminProfile& p) {
    std::vector<uint8_t> out;
    auto add = [&out](char tag, int number) {
        uint8_t b[2];
        PutLE16(b, static_cast<uint16_t>(number));
        out.push_back(static_cast<uint8_t>(tag));
        out.insert(out.end(), b, b + 2);
    };
    add('P', 0);
    add('L', p.link);
    add('A', p.link == 2 ? 11 : 10);
    add('A', 100);
    add('D', p.waypointType);
    if (p.routeProtocol != 0) {
        add('A', p.routeProtocol);
        add('D', p.routeHeaderType);
        add('D', p.routeWaypointType);
        if (p.routeProtocol == 201) add('D', p.routeLinkType);
    }
    if (p.trackProtocol != 0) {
        add('A', p.trackProtocol);
        if (p.trackProtocol != 300) add('D', p.trackHeaderType);
        add('D', p.trackPointType);
    }
    return out;
}

std::vector<uint8_t> ProductData(const GarminProfile& p) {
    std::vector<uint8_t> out(4);
    PutLE16(out.data(), static_cast<uint16_t>(p.productId));
    PutLE16(out.data() + 2, static_cast<uint16_t>(p.softwareVersion));
    for (const char* c = p.description; *c; ++c) out.push_back(static_cast<uint8_t>(*c));
    out.push_back(0);
    return out;
}

std::string DescribeProfiles() {
    std::string text;
    char line[200];
    for (const GarminProfile& p : GarminProfiles()) {
        char route[40] = "no routes";
        char track[40] = "no track log";
        if (p.routeProtocol == 201)
            std::snprintf(route, sizeof route, "A201 D%d D%d D%d", p.routeHeaderType,
                          p.routeWaypointType, p.routeLinkType);
        else if (p.routeProtocol == 200)
            std::snprintf(route, sizeof route, "A200 D%d D%d", p.routeHeaderType,
                          p.routeWaypointType);
        if (p.trackProtocol == 301 || p.trackProtocol == 302)
            std::snprintf(track, sizeof track, "A%d D%d D%d", p.trackProtocol, p.trackHeaderType,
                          p.trackPointType);
        else if (p.trackProtocol == 300)
            std::snprintf(track, sizeof track, "A300 D%d", p.trackPointType);
        std::snprintf(line, sizeof line, "%-8s product %3d  A100 D%d, %s, %s%s\n", p.name,
                      p.productId, p.waypointType, route, track,
                      p.capabilities ? "" : " (no capability list: QUORVEX.XRF)");
        text += line;
    }
    text += "(d108 is current, d310 is d301)\n";
    return text;
}
