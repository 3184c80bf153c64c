#include "magellan/magellan_download.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "core/fixed_text.h"
#include "core/text_encoding.h"
#include "core/user_feedback.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"

namespace {

constexpr int kInitialCapacity = 500;
constexpr double kMinutesToDegrees = 0.016666666666666666;
// No track name a receiver sends looks like this, so the first point starts a track.
constexpr char kNoTrackName[] = " 9 9 9 ";

bool StartsWith(const char* line, const char* prefix) {
    return std::strncmp(line, prefix, std::strlen(prefix)) == 0;
}

bool IsLowerCaseLetter(char c) {
    return c >= 'a' && c <= 'z';
}

// Magellan units send ASCII or Latin-1; the stores hold UTF-8.
std::string FromReceiver(const char* field) {
    return Latin1ToUtf8(field, std::strlen(field));
}

}  // namespace

bool ReadDegreesMinutes(const char* field, int degreeDigits, double& degrees) {
    int whole = 0;
    double minutes = 0.0;
    int read = degreeDigits == 3 ? std::sscanf(field, "%3d%lf", &whole, &minutes)
                                 : std::sscanf(field, "%2d%lf", &whole, &minutes);
    if (read != 2) return false;
    degrees = whole + minutes * kMinutesToDegrees;
    return true;
}

bool ReadLeadingInteger(const char* text, int32_t& value) {
    char* end = nullptr;
    errno = 0;
    long number = std::strtol(text, &end, 10);
    if (end == text) return false;
    if (number > std::numeric_limits<int32_t>::max()) number = std::numeric_limits<int32_t>::max();
    if (number < std::numeric_limits<int32_t>::min()) number = std::numeric_limits<int32_t>::min();
    value = static_cast<int32_t>(number);
    return true;
}

MagellanDownload::MagellanDownload(Kind kind, GeometryStore& geometry, AttributeStore& attributes)
    : kind_(kind), geometry_(geometry), attributes_(attributes) {
    CopyFixedText(previousName_, kNoTrackName);
}

const char* MagellanDownload::Command() const {
    switch (kind_) {
        case kWaypoints:
            return "$PMGNCMD,WAYPOINT";
        case kRoutes:
            return "$PMGNCMD,ROUTE";
        case kTracks:
            break;
    }
    return "$PMGNCMD,TRACK";
}

bool MagellanDownload::MakeLayerAndTable(const char* name, const char* fileName,
                                         int vertexCapacity) {
    layer = geometry_.AddLayer(name, fileName, kInitialCapacity, vertexCapacity, 0);
    if (layer >= 0) table = attributes_.AddTable(name, fileName);
    if (layer < 0 || table < 0) {
        ShowMessage(FormatText("No room for another layer and table: %s not transferred.", name));
        return false;
    }
    geometry_.Layer(layer).attributeTable = table;
    return true;
}

bool MagellanDownload::Begin(const char* fileName) {
    previousPoint = -1;
    lineNumber = -1;
    errorCount = 0;
    switch (kind_) {
        case kWaypoints:
            if (!MakeLayerAndTable("Magellan Waypoints", fileName, 0)) return false;
            attributes_.AddField(table, "Ident", 'C', 12, 0);
            attributes_.AddField(table, "Longitude", 'N', 12, 5);
            attributes_.AddField(table, "Latitude", 'N', 12, 5);
            attributes_.AddField(table, "Comment", 'C', 40, 0);
            attributes_.AddField(table, "Altitude", 'N', 12, 1);
            break;
        case kRoutes:
            if (!MakeLayerAndTable("Magellan Routes", fileName, kInitialCapacity)) return false;
            attributes_.AddField(table, "Ident", 'C', 12, 0);
            attributes_.AddField(table, "Comment", 'C', 40, 0);
            break;
        case kTracks:
            if (!MakeLayerAndTable("Magellan Trackpoints", fileName, kInitialCapacity))
                return false;
            attributes_.AddField(table, "Ident", 'C', 12, 0);
            break;
    }
    attributes_.ReserveRecords(table, kInitialCapacity);

    if (kind_ == kRoutes) {
        // Route nodes are looked up by name among the waypoints downloaded just
        // before, which the import command makes the layer and table right below.
        if (table == 0 || layer == 0) {
            ShowMessage(
                "ROUTES: Waypoint data has not been downloaded.\n Waypoints are required for "
                "Routes!");
            return false;
        }
        waypointLayer_ = layer - 1;
        waypointTable_ = table - 1;
    }
    return true;
}

bool MagellanDownload::HandleLine(const char* line, int length) {
    const bool sentence = length > 0 && line[0] == '$';
    if (sentence && previousSentence_.size() == static_cast<size_t>(length) &&
        previousSentence_.compare(0, std::string::npos, line, static_cast<size_t>(length)) == 0)
        return true;
    const int errorsBefore = errorCount;
    bool goOn = true;
    switch (kind_) {
        case kWaypoints:
            goOn = WaypointLine(line, length);
            break;
        case kRoutes:
            goOn = RouteLine(line, length);
            break;
        case kTracks:
            goOn = TrackLine(line, length);
            break;
    }
    // Only a sentence that was taken is remembered: a bad one that comes again
    // counts as an error again, so the error limit still ends a hopeless line.
    // A noise line between a sentence and its resend forgets nothing, so the
    // resend that follows it is not stored a second time.
    if (sentence && errorCount == errorsBefore)
        previousSentence_.assign(line, static_cast<size_t>(length));
    else if (sentence)
        previousSentence_.clear();
    return goOn;
}

bool MagellanDownload::LimitReached() {
    if (errorCount <= kErrorLimit) return false;
    ShowMessage("Too Many Errors. Transfer terminated!");
    return true;
}

namespace {

// How one coordinate of a sentence is read and checked: its number field
// (degrees and minutes), the hemisphere field behind it, and the messages of a
// rejection, each shown with the whole line and the offending field.
struct CoordinateRule {
    unsigned field;
    int degreeDigits;
    char positive;
    char negative;
    double limit;
    const char* notANumber;
    const char* badHemisphere;
    const char* outOfRange;  // with the value before the line and the field
};

const CoordinateRule kLatitude = {
    1,
    2,
    'N',
    'S',
    90.0,
    "Illegal Latitude value!\n Input string: %s Field string: %s",
    "Illegal North/South value!\n Input string: %s Field string: %s",
    "Latitude(%lf) out of range!\n Input string: %s Field string: %s"};

const CoordinateRule kLongitude = {
    3,
    3,
    'E',
    'W',
    180.0,
    "Illegal Longitude value!\n Input string: %s Field string: %s",
    "Illegal East/West value!\n Input string: %s Field string: %s",
    "Longitude(%lf) out of range!\n Input string: %s Field string: %s"};

// One coordinate in decimal degrees; false after showing why it was rejected.
bool ReadCoordinate(const char* line, const CoordinateRule& rule, double& value) {
    char number[MagellanDevice::kFieldBufferSize];
    char hemisphere[MagellanDevice::kFieldBufferSize];
    MagellanDevice::GetField(number, line, rule.field);
    if (!ReadDegreesMinutes(number, rule.degreeDigits, value)) {
        ShowMessage(FormatText(rule.notANumber, line, number));
        return false;
    }
    MagellanDevice::GetField(hemisphere, line, rule.field + 1);
    if (hemisphere[0] == rule.negative) {
        value = -value;
    } else if (hemisphere[0] != rule.positive) {
        ShowMessage(FormatText(rule.badHemisphere, line, hemisphere));
        return false;
    }
    // Written so that a NaN from the minutes is out of range too.
    if (!(value >= -rule.limit && value <= rule.limit)) {
        ShowMessage(FormatText(rule.outOfRange, value, line, hemisphere));
        return false;
    }
    return true;
}

}  // namespace

bool MagellanDownload::ReadPosition(const char* line, double& latitude, double& longitude) {
    if (ReadCoordinate(line, kLatitude, latitude) && ReadCoordinate(line, kLongitude, longitude))
        return true;
    ++errorCount;
    return false;
}

bool MagellanDownload::WaypointLine(const char* line, int) {
    if (StartsWith(line, "$PMGNCMD")) return false;  // the list is complete

    const bool own = StartsWith(line, "$PMGNWPL");
    if (!own && !StartsWith(line, "$GPWPL")) {
        // Anything else, a time-out too, counts against the limit.
        ++errorCount;
        return !LimitReached();
    }

    double latitude = 0.0;
    double longitude = 0.0;
    // A rejected sentence only raises the count; the next line makes the limit test.
    if (!ReadPosition(line, latitude, longitude)) return true;

    char name[MagellanDevice::kFieldBufferSize];
    char comment[MagellanDevice::kFieldBufferSize] = "";
    int32_t altitude = 0;
    if (own) {
        char field[MagellanDevice::kFieldBufferSize];
        // The altitude is stored as sent, whole units; its unit in field 6 is not applied.
        MagellanDevice::GetField(field, line, 5);
        if (field[0] != '\0') ReadLeadingInteger(field, altitude);
        MagellanDevice::GetField(name, line, 7);
        MagellanDevice::GetField(comment, line, 8);
    } else {
        MagellanDevice::GetField(name, line, 5);
    }

    // Point i and record i describe the same waypoint; every waypoint is a point
    // of its own, also two at one position.
    const int i = geometry_.AppendPoint(layer, longitude, latitude);
    if (i < 0) return !LimitReached();  // the store had no memory left
    attributes_.SetText(table, i, 0, FromReceiver(name).c_str());
    attributes_.SetNumber(table, i, 1, longitude);
    attributes_.SetNumber(table, i, 2, latitude);
    attributes_.SetText(table, i, 3, FromReceiver(comment).c_str());
    attributes_.SetNumber(table, i, 4, altitude);
    if (own) ShowProgress(FormatText(" Transfering Waypoints %d", i));
    return !LimitReached();
}

bool MagellanDownload::RouteLine(const char* line, int length) {
    if (length == 0) {
        ShowMessage("Reading Routes: Timeout...No Response from GPS.");
        return false;
    }
    if (StartsWith(line, "$PMGNCMD")) return false;
    if (StartsWith(line, "$PMGNRTE")) RouteSentence(line);
    return !LimitReached();
}

void MagellanDownload::RouteSentence(const char* line) {
    char field[MagellanDevice::kFieldBufferSize];

    // Field 2 is the sentence's number within its route: "1" starts a route.
    // Numbers 10 to 19 merely begin with that digit and continue the route.
    MagellanDevice::GetField(field, line, 2);
    if (std::strcmp(field, "1") == 0) {
        ++lineNumber;
        MagellanDevice::GetField(field, line, 4);
        attributes_.SetText(table, lineNumber, 0, FromReceiver(field).c_str());
        attributes_.SetText(table, lineNumber, 1, "");  // until a comment sentence comes
        previousPoint = -1;
    }

    char kind[MagellanDevice::kFieldBufferSize];
    MagellanDevice::GetField(kind, line, 3);
    if (kind[0] == 'c' || kind[0] == 'C') {
        for (unsigned k = 5; MagellanDevice::GetField(field, line, k) != nullptr; ++k) {
            // Behind each node name comes its icon, which begins with a lower-case letter.
            if (field[0] == '\0' || IsLowerCaseLetter(field[0])) continue;
            RouteNode(line, FromReceiver(field).c_str());
        }
    } else if (kind[0] == 'm' || kind[0] == 'M') {
        // A comment before any route start has no record to go into.
        if (lineNumber >= 0) {
            MagellanDevice::GetField(field, line, 5);
            attributes_.SetText(table, lineNumber, 1, FromReceiver(field).c_str());
        }
    }
}

void MagellanDownload::RouteNode(const char* line, const char* name) {
    const int r = attributes_.FindRecord(waypointTable_, 0, name);
    const GeometryLayer& waypoints = geometry_.Layer(waypointLayer_);
    if (r < 0 || r >= waypoints.pointCount) {
        ShowMessage(FormatText(
            "ROUTES: Node not found in Waypoints list!\n Input string: %s Field string: %s", line,
            name));
        ++errorCount;
        return;
    }
    const int p = AddLinePoint(waypoints.points[r].x, waypoints.points[r].y);
    if (p >= 0) ShowProgress(FormatText(" Transfering Routes %d", p));
}

int MagellanDownload::AddLinePoint(double x, double y) {
    const int p = geometry_.FindOrAddPoint(layer, x, y);
    if (p < 0) return p;  // the store had no memory left; the line goes on from the last point
    // Each edge carries the number of its line's record (1-based), so that the
    // line is written as the shape of that record. Nodes before any route start
    // have no record, as a comment there has none.
    if (previousPoint >= 0 && lineNumber >= 0)
        geometry_.AddVertex(layer, lineNumber + 1, previousPoint, p);
    previousPoint = p;
    return p;
}

bool MagellanDownload::TrackLine(const char* line, int length) {
    if (length == 0) {
        ShowMessage("Reading Tracks: Timeout...No Response from GPS.");
        return false;
    }
    if (StartsWith(line, "$PMGNCMD")) return false;
    if (!StartsWith(line, "$PMGNTRK")) return !LimitReached();

    char field[MagellanDevice::kFieldBufferSize];
    // A "V" (void) fix is no position; it is dropped without a word.
    MagellanDevice::GetField(field, line, 8);
    if (field[0] == 'V') return true;

    double latitude = 0.0;
    double longitude = 0.0;
    if (!ReadPosition(line, latitude, longitude)) return true;

    // Each change of the track name starts a new line and a new record.
    MagellanDevice::GetField(field, line, 9);
    if (std::strcmp(field, previousName_) != 0) {
        CopyFixedText(previousName_, field);
        ++lineNumber;
        attributes_.SetText(table, lineNumber, 0, FromReceiver(field).c_str());
        previousPoint = -1;
    }
    const int p = AddLinePoint(longitude, latitude);
    if (p >= 0) ShowProgress(FormatText(" Transfering TrackPoints %d", p));
    return !LimitReached();
}
