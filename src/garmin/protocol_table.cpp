#include "garmin/protocol_table.h"

#include <cstdio>

#include "core/byte_order.h"

std::string WaypointProtocolText(const ProtocolTable& t) {
    char text[64];
    std::snprintf(text, sizeof(text), "A%d, D%d", t.waypointProtocol, t.waypointType);
    return text;
}

std::string RouteProtocolText(const ProtocolTable& t) {
    char text[96];
    std::snprintf(text, sizeof(text), "A%d, D%d, D%d, D%d", t.routeProtocol, t.routeHeaderType,
                  t.routeWaypointType, t.routeLinkType);
    return text;
}

std::string TrackProtocolText(const ProtocolTable& t) {
    char text[96];
    std::snprintf(text, sizeof(text), "A%d, D%d, D%d", t.trackProtocol, t.trackType1, t.trackType2);
    return text;
}

namespace {

// Walks the entries of a capability list. Each A entry is followed by the D
// entries of its data types; a D entry that is missing where one is expected is
// not consumed, so the entry at hand is looked at afresh as an entry of its own.
class CapabilityWalker {
  public:
    CapabilityWalker(const unsigned char* data, int size)
        : data_(data), count_(data != nullptr && size > 0 ? size / 3 : 0) {}

    bool AtEnd() const { return index_ >= count_; }
    char Tag() const { return static_cast<char>(data_[3 * index_]); }
    int Number() const { return GetLE16(data_ + 3 * index_ + 1); }
    void Next() { ++index_; }

    // When the entry at hand is a D entry: stores its number, steps past it and
    // says so; otherwise leaves both alone.
    bool TakeType(std::int32_t* entry) {
        if (AtEnd() || Tag() != 'D') return false;
        *entry = Number();
        Next();
        return true;
    }

  private:
    const unsigned char* data_;
    int count_;
    int index_ = 0;
};

}  // namespace

void ParseCapabilityList(const unsigned char* data, int size, ProtocolTable* t) {
    CapabilityWalker walk(data, size);
    while (!walk.AtEnd()) {
        if (walk.Tag() != 'A') {
            walk.Next();
            continue;
        }
        int protocol = walk.Number();
        walk.Next();
        switch (protocol) {
            case 100:
                t->waypointProtocol = 100;
                walk.TakeType(&t->waypointType);
                break;
            case 200:
                t->routeProtocol = 200;
                if (walk.TakeType(&t->routeHeaderType)) walk.TakeType(&t->routeWaypointType);
                break;
            case 201:
                t->routeProtocol = 201;
                if (walk.TakeType(&t->routeHeaderType) && walk.TakeType(&t->routeWaypointType))
                    walk.TakeType(&t->routeLinkType);
                break;
            case 300:
                t->trackProtocol = 300;
                walk.TakeType(&t->trackType1);
                break;
            case 301:
                t->trackProtocol = 301;
                if (walk.TakeType(&t->trackType1)) walk.TakeType(&t->trackType2);
                break;
            case 400:
                t->protocol400 = 400;
                walk.TakeType(&t->type400);
                break;
            case 500:
                t->protocol500 = 500;
                walk.TakeType(&t->type500);
                break;
            case 600:
                t->protocol600 = 600;
                walk.TakeType(&t->type600);
                break;
            case 700:
                t->protocol700 = 700;
                walk.TakeType(&t->type700);
                break;
            case 800:
                t->protocol800 = 800;
                walk.TakeType(&t->type800);
                break;
            default:
                break;  // a protocol the system does not use
        }
    }
}
