#include "magellan_session.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "ack_wait.h"
#include "sim_log.h"

namespace {

constexpr int kByteTimeoutMs = 1000;
constexpr size_t kMaxLine = 1024;
constexpr int kMaxTries = 12;

// Text fields of a sentence may not carry the characters that delimit fields
// and sentences. Long texts stay long (up to 200 characters): hosts must cope
// with sentences longer than their line buffers.
std::string FieldText(const std::string& utf8) {
    std::string out;
    for (char c : ToReceiverText(utf8).substr(0, 200))
        out += (c == ',' || c == '*' || c == '$' || c == '\r' || c == '\n') ? ' ' : c;
    return out;
}

char Icon(int symbol) {
    return static_cast<char>('a' + (symbol < 0 ? 0 : symbol % 26));
}

int WholeMetres(double alt) {
    return std::isnan(alt) ? 0 : static_cast<int>(std::lround(alt));
}

std::string Field(const std::string& line, size_t index) {
    size_t start = 0;
    for (size_t i = 0; i < index; ++i) {
        start = line.find(',', start);
        if (start == std::string::npos) return "";
        ++start;
    }
    size_t end = line.find_first_of(",*", start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

namespace nmea {

unsigned Checksum(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) {
        if (c == '*') break;
        if (c != '$') sum ^= static_cast<unsigned char>(c);
    }
    return sum;
}

std::string Sentence(const std::string& body, bool badChecksum) {
    char tail[8];
    unsigned sum = Checksum(body);
    std::snprintf(tail, sizeof tail, "*%02X\r\n", badChecksum ? (sum ^ 0x5A) : sum);
    return body + tail;
}

std::string Coordinate(double degrees, int degreeDigits) {
    // Rounded once, in thousandths of a minute, so 59.9996' becomes the next degree.
    long long thousandths = std::llround(std::fabs(degrees) * 60000.0);
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld%02lld.%03lld", degreeDigits, thousandths / 60000,
                  thousandths % 60000 / 1000, thousandths % 1000);
    return text;
}

// "ddmm.mmm,N,dddmm.mmm,E"
static std::string Position(double lat, double lon) {
    return Coordinate(lat, 2) + (lat < 0 ? ",S," : ",N,") + Coordinate(lon, 3) +
           (lon < 0 ? ",W" : ",E");
}

std::string WaypointBody(const SimWaypoint& w) {
    char alt[32];
    std::snprintf(alt, sizeof alt, ",%07d,M,", WholeMetres(w.alt));
    return "$PMGNWPL," + Position(w.lat, w.lon) + alt + FieldText(w.ident) + "," +
           FieldText(w.comment) + "," + Icon(w.symbol);
}

std::string GpwplBody(const SimWaypoint& w) {
    return "$GPWPL," + Position(w.lat, w.lon) + "," + FieldText(w.ident);
}

std::vector<std::string> RouteBodies(const SimRoute& r) {
    // Two nodes (name and icon) per "c" sentence, the comment in a closing "m"
    // sentence; every sentence carries the total and its own number.
    size_t nodeSentences = r.points.empty() ? 1 : (r.points.size() + 1) / 2;
    size_t total = nodeSentences + (r.comment.empty() ? 0 : 1);
    std::vector<std::string> bodies;
    char head[96];
    for (size_t s = 0; s < nodeSentences; ++s) {
        std::snprintf(head, sizeof head, "$PMGNRTE,%zu,%zu,c,%d", total, s + 1, r.number);
        std::string body = head;
        for (size_t i = 2 * s; i < r.points.size() && i < 2 * s + 2; ++i)
            body += "," + FieldText(r.points[i].ident) + "," + Icon(r.points[i].symbol);
        bodies.push_back(body);
    }
    if (!r.comment.empty()) {
        std::snprintf(head, sizeof head, "$PMGNRTE,%zu,%zu,m,%d,", total, total, r.number);
        bodies.push_back(head + FieldText(r.comment));
    }
    return bodies;
}

std::string TrackPointBody(const SimTrackPoint& p, const std::string& trackName) {
    char clock[48] = "";
    char date[48] = "";
    if (p.time >= 0) {
        std::time_t t = static_cast<std::time_t>(p.time);
        std::tm utc{};
        gmtime_r(&t, &utc);
        std::snprintf(clock, sizeof clock, "%02d%02d%02d.00", utc.tm_hour, utc.tm_min, utc.tm_sec);
        std::snprintf(date, sizeof date, "%02d%02d%02d", utc.tm_mday, utc.tm_mon + 1,
                      utc.tm_year % 100);
    }
    char alt[32];
    std::snprintf(alt, sizeof alt, ",%05d,M,", WholeMetres(p.alt));
    return "$PMGNTRK," + Position(p.lat, p.lon) + alt + clock + (p.valid ? ",A," : ",V,") +
           FieldText(trackName) + "," + date;
}

}  // namespace nmea

MagellanSession::MagellanSession(PtyLink& link, const SimOptions& options, const SimDataset& data,
                                 LineFaults& faults)
    : link_(link), options_(options), data_(data), faults_(faults) {}

bool MagellanSession::ReadRestOfLine(std::string& line) {
    line = "$";
    for (;;) {
        int b = link_.ReadByte(kByteTimeoutMs);
        if (b < 0 || line.size() > kMaxLine) return false;
        if (b == '\n') break;
        line += static_cast<char>(b);
    }
    while (!line.empty() && line.back() == '\r') line.pop_back();
    // A sentence whose checksum does not match what it carries is line noise.
    size_t star = line.find('*');
    if (star != std::string::npos && star + 3 <= line.size()) {
        unsigned given =
            static_cast<unsigned>(std::strtoul(line.substr(star + 1, 2).c_str(), nullptr, 16));
        if (given != nmea::Checksum(line)) {
            SimLog("sentence with a wrong checksum ignored: %s", line.c_str());
            return false;
        }
    }
    SimLog("sentence: %s", line.c_str());
    return true;
}

bool MagellanSession::ReadSentence(std::string& line, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int left;
    while ((left = MsUntil(end)) > 0 && !StopRequested() && link_.IsOpen())
        if (link_.ReadByte(left) == '$' && ReadRestOfLine(line)) return true;
    return false;
}

void MagellanSession::OnSentenceStart() {
    std::string line;
    if (!ReadRestOfLine(line)) return;
    Handle(line);
    while (pending_ && !StopRequested()) {
        std::string next = std::move(*pending_);
        pending_.reset();
        Handle(next);
    }
}

void MagellanSession::Acknowledge(const std::string& line) {
    if (!handshake_ || !faults_.MaySend()) return;
    char body[32];
    std::snprintf(body, sizeof body, "$PMGNCSM,%02X", nmea::Checksum(line));
    link_.Write(nmea::Sentence(body));
}

void MagellanSession::Handle(const std::string& line) {
    if (line.compare(0, 8, "$PMGNCMD") != 0) return;  // acknowledgements, "$$", others
    std::string command = Field(line, 1);
    if (command == "HANDON") {
        faults_.StartSession();
        handshake_ = true;
    }
    if (!faults_.MaySend()) return;
    Acknowledge(line);
    if (command == "HANDOFF") handshake_ = false;

    const SimDataset& d = data_;
    std::vector<std::string> list;
    if (command == "VERSION") {
        SendListSentence("$PMGNVER," + std::to_string(d.magellan.productId) + "," +
                         FieldText(d.magellan.version) + "," + FieldText(d.magellan.description));
        return;
    }
    if (command == "WAYPOINT") {
        for (const SimWaypoint& w : d.waypoints)
            list.push_back(options_.gpwpl ? nmea::GpwplBody(w) : nmea::WaypointBody(w));
    } else if (command == "ROUTE") {
        for (const SimRoute& r : d.routes)
            for (const std::string& body : nmea::RouteBodies(r)) list.push_back(body);
    } else if (command == "TRACK") {
        for (const SimTrack& t : d.tracks)
            for (const SimTrackPoint& p : t.points)
                if (p.hasPosition) list.push_back(nmea::TrackPointBody(p, t.name));
    } else {
        return;  // HANDON, HANDOFF, END and commands this receiver ignores
    }
    SendList(list);
}

void MagellanSession::SendList(const std::vector<std::string>& bodies) {
    for (const std::string& body : bodies)
        if (!SendListSentence(body)) return;
    // The end of a list is not acknowledged.
    if (!faults_.BeginData()) return;
    link_.Write(nmea::Sentence("$PMGNCMD,END"));
    faults_.DataSent();
}

bool MagellanSession::SendListSentence(const std::string& body) {
    if (!faults_.BeginData()) return false;
    unsigned expected = nmea::Checksum(body);
    bool damage = faults_.NextIsEvery(options_.faults.damageBodyEvery);
    bool repeat = faults_.NextIsEvery(options_.faults.lostAckEvery);
    bool counted = false;
    for (int attempt = 1; attempt <= kMaxTries; ++attempt) {
        if (!faults_.MaySend()) return false;
        std::string out;
        // Checksums a host may acknowledge the garbage line with: that of the
        // line as read with its CR LF (the line has no '*' to stop at), or
        // without them. Neither may look like the acknowledgement of the sentence.
        unsigned noise = 0x100, noiseWithEnd = 0x100;
        std::vector<uint8_t> garbage = faults_.Garbage();
        if (!garbage.empty()) {
            std::string g(garbage.begin(), garbage.end());
            while (nmea::Checksum(g) == expected || nmea::Checksum(g + "\r\n") == expected)
                g[0] = g[0] == 'A' ? 'B' : 'A';
            noise = nmea::Checksum(g);
            noiseWithEnd = nmea::Checksum(g + "\r\n");
            out = g + "\r\n";
        }
        std::string sentence = nmea::Sentence(body, faults_.BadChecksum(attempt));
        if (damage) {
            // One digit of the body changed on the line; the checksum is the
            // original one.
            damage = false;
            const size_t at = sentence.find_first_of("0123456789", sentence.find(','));
            if (at != std::string::npos) sentence[at] = sentence[at] == '1' ? '2' : '1';
        }
        out += sentence;
        if (!link_.Write(out)) return false;
        if (!counted) faults_.DataSent();
        counted = true;
        if (!link_.IsOpen()) return false;
        if (!handshake_) return true;

        AckWait wait(options_);
        bool resend = false;
        while (!resend) {
            std::string answer;
            if (!ReadSentence(answer, wait.LeftMs())) {
                if (StopRequested() || !link_.IsOpen()) return false;
                if (wait.ResendWhenOver()) {
                    resend = true;
                    continue;
                }
                SimLog("no acknowledgement: list abandoned");
                return false;
            }
            if (answer.compare(0, 8, "$PMGNCSM") != 0) {
                pending_ = answer;  // the host moved on: handle its sentence next
                return false;
            }
            unsigned acked =
                static_cast<unsigned>(std::strtoul(Field(answer, 1).c_str(), nullptr, 16));
            if (acked == expected && !repeat) return true;
            if (acked == expected) {
                SimLog("acknowledgement taken as lost: sending again");
                repeat = false;
                attempt = 0;
                resend = true;
                continue;
            }
            if (acked == noise || acked == noiseWithEnd) continue;
            SimLog("acknowledged %02X instead of %02X: sending again", acked, expected);
            resend = true;
        }
    }
    return false;
}
