#pragma once
// Garmin receiver profiles: what a receiver says about itself (product data,
// protocol capability list) and which record layouts it sends.

#include <cstdint>
#include <string>
#include <vector>

struct GarminProfile {
    const char* name;
    int productId;
    int softwareVersion;  // hundredths: 370 is version 3.70
    const char* description;
    bool capabilities;  // false: an old receiver that sends no capability list
    int waypointType;
    int routeProtocol;  // 200, 201 or 0 (no routes)
    int routeHeaderType;
    int routeWaypointType;
    int routeLinkType;    // A201 only
    int trackProtocol;    // 300, 301 or 0 (no track log)
    int trackHeaderType;  // A301 only
    int trackPointType;
};

const GarminProfile* FindGarminProfile(const std::string& name);
// Replaces the profile's record types by ones no host reads: D199 waypoints,
// D299 route headers, D399 track points (the records are then not sent).
void MakeTypesUnknown(GarminProfile& profile);
const std::vector<GarminProfile>& GarminProfiles();

// Capability packet data: tag letter and 16-bit number per entry.
std::vector<uint8_t> CapabilityData(const GarminProfile& p);
// Product data packet: product ID, software version, description.
std::vector<uint8_t> ProductData(const GarminProfile& p);
// One line per profile for --list-profiles.
std::string DescribeProfiles();
