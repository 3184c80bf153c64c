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

int LinkProtocolOfProduct(int productId) {
    for (int aviation : {20, 33, 34, 52, 64, 98})
        if (productId == aviation) return 2;
    return 1;
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

// Where each protocol puts its number and the D entries that follow it: as many
// as it lists, in a row, each stored only while the D entries keep coming.
struct ProtocolEntries {
    int number;
    std::int32_t ProtocolTable::*protocol;
    std::int32_t ProtocolTable::*types[3];
};

const ProtocolEntries kProtocolEntries[] = {
    {100, &ProtocolTable::waypointProtocol, {&ProtocolTable::waypointType}},
    {200,
     &ProtocolTable::routeProtocol,
     {&ProtocolTable::routeHeaderType, &ProtocolTable::routeWaypointType}},
    {201,
     &ProtocolTable::routeProtocol,
     {&ProtocolTable::routeHeaderType, &ProtocolTable::routeWaypointType,
      &ProtocolTable::routeLinkType}},
    {300, &ProtocolTable::trackProtocol, {&ProtocolTable::trackType1}},
    {301, &ProtocolTable::trackProtocol, {&ProtocolTable::trackType1, &ProtocolTable::trackType2}},
    {302, &ProtocolTable::trackProtocol, {&ProtocolTable::trackType1, &ProtocolTable::trackType2}},
    {400, &ProtocolTable::protocol400, {&ProtocolTable::type400}},
    {500, &ProtocolTable::protocol500, {&ProtocolTable::type500}},
    {600, &ProtocolTable::protocol600, {&ProtocolTable::type600}},
    {700, &ProtocolTable::protocol700, {&ProtocolTable::type700}},
    {800, &ProtocolTable::protocol800, {&ProtocolTable::type800}},
};

}  // namespace

void ParseCapabilityList(const unsigned char* data, int size, ProtocolTable* t) {
    CapabilityWalker walk(data, size);
    while (!walk.AtEnd()) {
        if (walk.Tag() != 'A') {
            if (walk.Tag() == 'L') t->linkProtocol = walk.Number();
            walk.Next();
            continue;
        }
        const int number = walk.Number();
        walk.Next();
        // A protocol the system does not use stores nothing.
        for (const auto& entries : kProtocolEntries) {
            if (entries.number != number) continue;
            t->*entries.protocol = number;
            for (auto type : entries.types)
                if (type == nullptr || !walk.TakeType(&(t->*type))) break;
        }
    }
}
