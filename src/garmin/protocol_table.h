#pragma once
// The record layouts of one receiver: protocol numbers of its A entries (100 for
// A100) and data type numbers of its D entries (108 for D108), all 0 until the
// receiver's capability list or the QUORVEX.XRF table fills them. The transfers
// choose their decoding from it; the "GPS Interface" dialog shows it.

#include <cstdint>
#include <string>

struct ProtocolTable {
    std::int32_t waypointProtocol = 0;   // A100
    std::int32_t waypointType = 0;       // D after A100
    std::int32_t routeProtocol = 0;      // A200 or A201
    std::int32_t routeHeaderType = 0;    // 1st D after A200/A201
    std::int32_t routeWaypointType = 0;  // 2nd D after A200/A201
    std::int32_t routeLinkType = 0;      // 3rd D after A201
    std::int32_t trackProtocol = 0;      // A300 or A301
    std::int32_t trackType1 = 0;         // A300 points, A301 headers
    std::int32_t trackType2 = 0;         // A301 points
    // Stored for display only; no transfer reads them.
    std::int32_t protocol400 = 0;
    std::int32_t type400 = 0;
    std::int32_t protocol500 = 0;
    std::int32_t type500 = 0;
    std::int32_t protocol600 = 0;
    std::int32_t type600 = 0;
    std::int32_t protocol700 = 0;
    std::int32_t type700 = 0;
    std::int32_t protocol800 = 0;
    std::int32_t type800 = 0;
    // Link protocol: 1 for L001, 2 for L002 (with command set A011); 0 when
    // neither the capability list nor the product ID said, which means L001.
    std::int32_t linkProtocol = 0;
};

// The link protocol of a unit that sends no capability list: 2 (L002, with
// command set A011) for the panel-mount aviation units 20, 33, 34, 52, 64 and
// 98, otherwise 1 (L001 with A010).
int LinkProtocolOfProduct(int productId);

// The three protocol texts of the "GPS Interface" dialog: "A100, D108",
// "A201, D202, D108, D210" and "A301, D310, D301"; entries still 0 show as A0 or D0.
std::string WaypointProtocolText(const ProtocolTable& table);
std::string RouteProtocolText(const ProtocolTable& table);
std::string TrackProtocolText(const ProtocolTable& table);

// Fills `table` from the data of a protocol capability packet: 3-byte entries of
// a tag character and a 16-bit little-endian number. Only whole entries within
// `size` bytes are read; entries with tags other than 'A' and 'D' are skipped.
void ParseCapabilityList(const unsigned char* data, int size, ProtocolTable* table);
