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
    int link = 1;  // 1: L001 with commands A010; 2: L002 with A011 (no track log)
};

const GarminProfile* FindGarminProfile(const std::string& name);
// Replaces the profile's record types by ones no host reads: D199 waypoints,
// D299 route headers, D399 track points (the records are then not sent).
void MakeTypesUnknown(GarminProfile& profile);
const std::vector<GarminProfile>& GarminProfiles();

// The session speaks L001 packet IDs and A010 command numbers; these give what
// goes on the wire for the profile's link, and what a wire ID or command means
// (0xFFFF: a command the unit does not have).
uint8_t WirePacketId(const GarminProfile& p, uint8_t linkOneId);
uint8_t LinkOnePacketId(const GarminProfile& p, uint8_t wireId);
uint16_t WireCommand(const GarminProfile& p, uint16_t linkOneCommand);
uint16_t LinkOneCommand(const GarminProfile& p, uint16_t wireCommand);

// Capability packet data: tag letter and 16-bit number per entry.
std::vector<uint8_t> CapabilityData(const GarminProfile& p);
// Product data packet: product ID, software version, description.
std::vector<uint8_t> ProductData(const GarminProfile& p);
// One line per profile for --list-profiles.
std::string DescribeProfiles();
