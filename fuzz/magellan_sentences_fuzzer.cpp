// The Magellan sentence handling fed arbitrary text. The first byte chooses:
//   - the field reader: GetField with any field number into a buffer of any
//     capacity (an exact heap buffer, so one byte too many is reported), then
//     the number readers the downloads apply to fields;
//   - the downloads: the rest of the input is what the serial line delivers,
//     read line by line by the device as in an import (waypoints, routes and
//     tracks in a row, or routes or tracks alone).

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "harness_support.h"
#include "magellan/magellan_device.h"
#include "magellan/magellan_download.h"
#include "memory_line.h"

namespace {

void ReadFields(FuzzInput& in) {
    const unsigned field = in.Byte() % 24;
    const size_t capacity = in.Byte();
    const std::string sentence(reinterpret_cast<const char*>(in.Rest()), in.Left());
    std::unique_ptr<char[]> out(new char[capacity]);
    const char* start = MagellanDevice::GetField(out.get(), capacity, sentence.c_str(), field);
    if (start != nullptr &&
        (start < sentence.c_str() || start > sentence.c_str() + sentence.size()))
        FuzzFailure("GetField points outside the sentence");
    if (capacity == 0) return;
    const size_t length = strnlen(out.get(), capacity);
    if (length == capacity) FuzzFailure("GetField left its field unterminated");
    if (start == nullptr && length != 0) FuzzFailure("GetField filled a field it did not find");

    double degrees = 0.0;
    ReadDegreesMinutes(out.get(), 2, degrees);
    ReadDegreesMinutes(out.get(), 3, degrees);
    int32_t value = 0;
    ReadLeadingInteger(out.get(), value);
    MagellanDevice::Checksum(sentence.c_str());
}

void Download(FuzzInput& in, int order) {
    MagellanDevice device;
    device.port.Open("memory", "baud=4800 parity=N data=8 stop=1");
    PlugLine(in.Rest(), in.Left());
    Stores& document = NewDocument();
    GeometryStore& geometry = document.geometry;
    AttributeStore& attributes = document.attributes;
    switch (order) {
        case 0:
            device.TransferWaypoints(geometry, attributes, "Waypoints");
            device.TransferRoutes(geometry, attributes, "Routes");
            device.TransferTracks(geometry, attributes, "Tracks");
            break;
        case 1:
            device.TransferRoutes(geometry, attributes, "Routes");
            break;
        default:
            device.TransferTracks(geometry, attributes, "Tracks");
            break;
    }
    CheckStores(geometry, attributes);
    PlugLine(nullptr, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    QuietFeedback quiet;
    FuzzInput in(data, size);
    const int action = in.Byte() % 4;
    if (action == 0)
        ReadFields(in);
    else
        Download(in, action - 1);
    return 0;
}
