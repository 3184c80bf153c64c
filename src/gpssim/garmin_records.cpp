#include "garmin_records.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/byte_order.h"

namespace {

// Receivers send 1.0e25 for an altitude, depth or distance they do not have.
constexpr float kFloatNotAvailable = 1.0e25f;

class RecordWriter {
  public:
    explicit RecordWriter(std::vector<uint8_t>& out) : out_(out) { out_.clear(); }

    void Byte(unsigned v) { out_.push_back(static_cast<uint8_t>(v)); }
    void Bytes(unsigned v, int count) { out_.insert(out_.end(), count, static_cast<uint8_t>(v)); }
    void U16(unsigned v) {
        uint8_t b[2];
        PutLE16(b, static_cast<uint16_t>(v));
        out_.insert(out_.end(), b, b + 2);
    }
    void I16(int v) { U16(static_cast<uint16_t>(static_cast<int16_t>(v))); }
    void U32(uint32_t v) {
        uint8_t b[4];
        PutLE32(b, v);
        out_.insert(out_.end(), b, b + 4);
    }
    void Float(double v) {
        uint8_t b[4];
        PutLEFloat(b, std::isnan(v) ? kFloatNotAvailable : static_cast<float>(v));
        out_.insert(out_.end(), b, b + 4);
    }
    void Position(double lat, double lon) {
        U32(static_cast<uint32_t>(ToSemicircles(lat)));
        U32(static_cast<uint32_t>(ToSemicircles(lon)));
    }
    // A fixed character array, cut or padded with blanks.
    void Fixed(const std::string& utf8, size_t width) {
        const std::string text = ToReceiverText(utf8);
        for (size_t i = 0; i < width; ++i) Byte(i < text.size() ? text[i] : ' ');
    }
    // A NUL-terminated text of at most `maximum` characters.
    void Text(const std::string& utf8, size_t maximum = 51) {
        const std::string text = ToReceiverText(utf8);
        std::string cut = text.substr(0, std::min(maximum, text.find('\0')));
        out_.insert(out_.end(), cut.begin(), cut.end());
        Byte(0);
    }
    // The default waypoint subclass: six zero bytes, twelve 0xFF bytes.
    void Subclass18() {
        Bytes(0x00, 6);
        Bytes(0xFF, 12);
    }

  private:
    std::vector<uint8_t>& out_;
};

int Altitude16(double alt) {
    if (std::isnan(alt)) return 0;
    return static_cast<int>(std::lround(std::clamp(alt, -32768.0, 32767.0)));
}

uint32_t GarminTime(int64_t unixTime) {
    if (unixTime < kGarminEpochUnix) return kNoTime;
    int64_t t = unixTime - kGarminEpochUnix;
    return t >= static_cast<int64_t>(kNoTime) ? kNoTime : static_cast<uint32_t>(t);
}

// ident[6], posn, unused[4], cmnt[40]: the head shared by D100-D104, D107, D151-D155.
void ClassicHead(RecordWriter& w, const SimWaypoint& p) {
    w.Fixed(p.ident, 6);
    w.Position(p.lat, p.lon);
    w.Bytes(0, 4);
    w.Fixed(p.comment, 40);
}

// D151/D152/D154/D155: the classic head, proximity distance, name, city, state,
// altitude, country code, an unused byte and the waypoint class.
void AviationTail(RecordWriter& w, const SimWaypoint& p, int userClass) {
    w.Float(0);            // dst
    w.Fixed(p.ident, 30);  // name
    w.Fixed("", 24);       // city
    w.Fixed("", 2);        // state
    w.I16(Altitude16(p.alt));
    w.Fixed("", 2);  // cc
    w.Byte(0);       // unused
    w.Byte(userClass);
}

}  // namespace

int32_t ToSemicircles(double degrees) {
    long long s = std::llround(degrees * (2147483648.0 / 180.0));
    // +180 degrees is the same meridian as -180, the one a 32-bit value can hold.
    if (s >= 2147483648LL) s -= 4294967296LL;
    if (s < -2147483648LL) s = -2147483648LL;
    return static_cast<int32_t>(s);
}

bool IsKnownWaypointType(int type) {
    switch (type) {
        case 100:
        case 101:
        case 102:
        case 103:
        case 104:
        case 105:
        case 106:
        case 107:
        case 108:
        case 109:
        case 110:
        case 150:
        case 151:
        case 152:
        case 154:
        case 155:
            return true;
        default:
            return false;
    }
}

bool EncodeWaypoint(int type, const SimWaypoint& p, std::vector<uint8_t>& out) {
    RecordWriter w(out);
    int symbol = p.symbol;
    switch (type) {
        case 100:
            ClassicHead(w, p);
            return true;
        case 101:
            ClassicHead(w, p);
            w.Float(0);  // dst
            w.Byte(symbol);
            return true;
        case 102:
            ClassicHead(w, p);
            w.Float(0);
            w.U16(symbol);
            return true;
        case 103:
            ClassicHead(w, p);
            w.Byte(symbol);
            w.Byte(0);  // dspl: symbol with name
            return true;
        case 104:
            ClassicHead(w, p);
            w.Float(0);
            w.U16(symbol);
            w.Byte(3);  // dspl: symbol with name
            return true;
        case 105:
            w.Position(p.lat, p.lon);
            w.U16(symbol);
            w.Text(p.ident);
            return true;
        case 106:
            w.Byte(0);       // user waypoint
            w.Bytes(0, 13);  // subclass
            w.Position(p.lat, p.lon);
            w.U16(symbol);
            w.Text(p.ident);
            w.Text("");  // lnk_ident
            return true;
        case 107:
            ClassicHead(w, p);
            w.Byte(symbol);
            w.Byte(0);  // dspl
            w.Float(0);
            w.Byte(0);  // colour: default
            return true;
        case 108:
            w.Byte(0);     // user waypoint
            w.Byte(0xFF);  // default colour
            w.Byte(0);     // display symbol with name
            w.Byte(0x60);
            w.U16(symbol);
            w.Subclass18();
            w.Position(p.lat, p.lon);
            w.Float(p.alt);
            w.Float(p.depth);
            w.Float(NotAvailable());  // proximity distance
            w.Fixed("", 2);           // state
            w.Fixed("", 2);           // cc
            w.Text(p.ident);
            w.Text(p.comment);
            for (int i = 0; i < 4; ++i) w.Text("");  // facility, city, addr, cross_road
            return true;
        case 109:
        case 110:
            w.Byte(0x01);
            w.Byte(0);     // user waypoint
            w.Byte(0x1F);  // default colour, symbol with name
            w.Byte(type == 109 ? 0x70 : 0x80);
            w.U16(symbol);
            w.Subclass18();
            w.Position(p.lat, p.lon);
            w.Float(p.alt);
            w.Float(p.depth);
            w.Float(NotAvailable());
            w.Fixed("", 2);
            w.Fixed("", 2);
            w.U32(0xFFFFFFFFu);  // ete
            if (type == 110) {
                w.Float(NotAvailable());  // temperature
                w.U32(kNoTime);           // time
                w.U16(0);                 // categories
            }
            w.Text(p.ident);
            w.Text(p.comment);
            for (int i = 0; i < 4; ++i) w.Text("");
            return true;
        case 150:
            w.Fixed(p.ident, 6);
            w.Fixed("", 2);  // cc
            w.Byte(4);       // user waypoint
            w.Position(p.lat, p.lon);
            w.I16(Altitude16(p.alt));
            w.Fixed("", 24);       // city
            w.Fixed("", 2);        // state
            w.Fixed(p.ident, 30);  // name
            w.Fixed(p.comment, 40);
            return true;
        case 151:
            ClassicHead(w, p);
            AviationTail(w, p, 2);
            return true;
        case 152:
            ClassicHead(w, p);
            AviationTail(w, p, 4);
            return true;
        case 154:
        case 155:
            ClassicHead(w, p);
            AviationTail(w, p, 4);
            w.U16(symbol);
            if (type == 155) w.Byte(3);
            return true;
        default:
            out.clear();
            return false;
    }
}

bool EncodeRouteHeader(int type, const SimRoute& r, std::vector<uint8_t>& out) {
    RecordWriter w(out);
    switch (type) {
        case 200:
            w.Byte(r.number);
            return true;
        case 201:
            w.Byte(r.number);
            w.Fixed(r.comment.empty() ? r.name : r.comment, 20);
            return true;
        case 202:
            w.Text(r.name);
            return true;
        default:
            out.clear();
            return false;
    }
}

bool EncodeRouteLink(int type, std::vector<uint8_t>& out) {
    RecordWriter w(out);
    if (type != 210) return false;
    w.U16(3);  // direct link
    w.Subclass18();
    w.Text("");
    return true;
}

bool EncodeTrackHeader(int type, const SimTrack& t, int index, std::vector<uint8_t>& out) {
    RecordWriter w(out);
    switch (type) {
        case 311:
            w.U16(static_cast<unsigned>(index));
            return true;
        case 310:
        case 312:
            w.Byte(1);                        // displayed
            w.Byte(type == 310 ? 0xFF : 16);  // default colour
            w.Text(t.name);
            return true;
        default:
            out.clear();
            return false;
    }
}

bool EncodeTrackPoint(int type, const SimTrackPoint& p, bool newTrack, std::vector<uint8_t>& out) {
    RecordWriter w(out);
    newTrack = newTrack || p.newSegment;
    if (!p.hasPosition) {
        SimTrackPoint noFix = p;
        noFix.hasPosition = true;
        if (!EncodeTrackPoint(type, noFix, newTrack, out)) return false;
        // No fix: both halves of the position, the first 8 bytes of every
        // track point layout, are 0x7FFFFFFF.
        PutLE32(out.data(), 0x7FFFFFFFu);
        PutLE32(out.data() + 4, 0x7FFFFFFFu);
        return true;
    }
    switch (type) {
        case 300:
            w.Position(p.lat, p.lon);
            w.U32(p.time < 0 ? kNoTime : GarminTime(p.time));
            w.Byte(newTrack ? 1 : 0);
            return true;
        case 301:
        case 302:
            w.Position(p.lat, p.lon);
            w.U32(p.time < 0 ? kNoTime : GarminTime(p.time));
            w.Float(p.alt);
            w.Float(p.depth);
            if (type == 302) w.Float(NotAvailable());  // temperature
            w.Byte(newTrack ? 1 : 0);
            return true;
        case 303:
        case 304:
            // Fitness units: no depth, no new-track flag; no heart rate (0).
            w.Position(p.lat, p.lon);
            w.U32(p.time < 0 ? kNoTime : GarminTime(p.time));
            w.Float(p.alt);
            if (type == 304) w.Float(NotAvailable());  // distance
            w.Byte(0);
            if (type == 304) {
                w.Byte(0xFF);  // no cadence
                w.Byte(0);     // no sensor
            }
            return true;
        default:
            out.clear();
            return false;
    }
}
