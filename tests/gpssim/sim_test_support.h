#pragma once
// Shared steps of the simulator tests: the dataset as the simulator dumps it,
// and the Garmin exchanges every test starts with.

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host_line.h"

// The dataset a simulator with these arguments serves (--dump-dataset).
nlohmann::json DumpDataset(const std::vector<std::string>& arguments);

struct GarminIdentity {
    WirePacket product;
    WirePacket capabilities;  // id -1 when none came
};
// Product request, product data acknowledged, capability list (if any) acknowledged.
GarminIdentity Identify(HostLine& line, int capabilityWaitMs = 1500);

struct GarminTransfer {
    WirePacket commandAck;
    int announced = -1;
    std::vector<WirePacket> records;
    WirePacket complete;
    bool allIntact = true;  // every packet framed and with a good checksum
};
// Sends a command and acknowledges everything up to the transfer-complete packet.
GarminTransfer Transfer(HostLine& line, uint16_t command);

// "A100 D108 ..." from a capability packet.
std::string CapabilityText(const WirePacket& capabilities);

// Unix time of a dataset time text "2003-05-17T07:00:00Z".
long long UnixTime(const std::string& text);
