// The protocol capability list of a Garmin receiver: arbitrary packet data,
// an exact heap copy so that a read past the last whole entry is reported. The
// table may only ever name protocols the transfers know, and its texts for the
// "GPS Interface" dialog must be whole.

#include <cstdint>
#include <string>

#include "garmin/protocol_table.h"
#include "harness_support.h"

namespace {

bool OneOf(std::int32_t value, std::int32_t a, std::int32_t b = 0, std::int32_t c = 0) {
    return value == 0 || value == a || value == b || value == c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    // A packet's data is at most 255 bytes; the parser must not care.
    auto list = ExactCopy(data, size);
    ProtocolTable table;
    ParseCapabilityList(list.get(), static_cast<int>(size), &table);

    if (!OneOf(table.waypointProtocol, 100) || !OneOf(table.routeProtocol, 200, 201) ||
        !OneOf(table.trackProtocol, 300, 301) || !OneOf(table.protocol400, 400) ||
        !OneOf(table.protocol500, 500) || !OneOf(table.protocol600, 600) ||
        !OneOf(table.protocol700, 700) || !OneOf(table.protocol800, 800))
        FuzzFailure("the table names a protocol the list parser does not know");
    // A type number comes from a 16-bit entry.
    const std::int32_t types[] = {table.waypointType,      table.routeHeaderType,
                                  table.routeWaypointType, table.routeLinkType,
                                  table.trackType1,        table.trackType2};
    for (std::int32_t type : types)
        if (type < 0 || type > 65535) FuzzFailure("a type number no entry can hold");

    const std::string texts[] = {WaypointProtocolText(table), RouteProtocolText(table),
                                 TrackProtocolText(table)};
    for (const std::string& text : texts)
        if (text.empty() || text[0] != 'A') FuzzFailure("a protocol text that is not whole");
    return 0;
}
