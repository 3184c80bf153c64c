#pragma once
// What a Magellan download does with each line it receives: the waypoint, route
// and track parsing and the storing into the document's layers and tables. The
// transfers of MagellanDevice send the command and feed every received line to
// HandleLine until it says the download is over; nothing here touches the port.

#include <cstdint>
#include <string>

#include "magellan/magellan_device.h"

class GeometryStore;
class AttributeStore;

class MagellanDownload {
  public:
    enum Kind { kWaypoints, kRoutes, kTracks };

    // More rejected or unrecognised lines than this end a download.
    static constexpr int kErrorLimit = 20;

    MagellanDownload(Kind kind, GeometryStore& geometry, AttributeStore& attributes);

    // Makes the download's layer and table with the file name given. False when
    // nothing should be asked of the receiver: the stores are full, or routes have
    // no waypoint table before them (a message has been shown; what was made stays).
    bool Begin(const char* fileName);

    // The command sentence that starts the download ("$PMGNCMD,WAYPOINT").
    const char* Command() const;

    // Handles one received line of `length` bytes (0: nothing arrived within the
    // byte time-out). False when the download is over. A sentence that repeats
    // the one just before it is the receiver sending it again (it missed or
    // doubted our acknowledgement) and is not taken twice.
    bool HandleLine(const char* line, int length);

    // Counts one error that no line handed in shows (a damaged sentence whose
    // resend never came); false when that ends the download.
    bool CountError() {
        ++errorCount;
        return !LimitReached();
    }

    int32_t layer = -1;
    int32_t table = -1;
    int32_t previousPoint = -1;  // last point of the current line, -1 when a new line starts
    int32_t lineNumber = -1;     // the current route or track, -1 before the first
    int errorCount = 0;

  private:
    bool MakeLayerAndTable(const char* name, const char* fileName, int vertexCapacity);
    bool WaypointLine(const char* line, int length);
    bool RouteLine(const char* line, int length);
    bool TrackLine(const char* line, int length);
    void RouteSentence(const char* line);
    void RouteNode(const char* line, const char* name);
    // Fields 1 to 4 of a waypoint or track sentence as decimal degrees; false,
    // with a message and one more error, when the sentence is rejected.
    bool ReadPosition(const char* line, double& latitude, double& longitude);
    // Adds a point to the current route or track line and joins it to the last one.
    int AddLinePoint(double x, double y);
    bool LimitReached();

    Kind kind_;
    GeometryStore& geometry_;
    AttributeStore& attributes_;
    int32_t waypointLayer_ = -1;  // routes: the waypoint layer and table made just before
    int32_t waypointTable_ = -1;
    char previousName_[MagellanDevice::kFieldBufferSize];  // tracks: name of the current track
    std::string previousSentence_;                         // the last sentence handled
};

// A degrees-and-minutes field ("4807.038" with 2 degree digits, "01131.000" with
// 3) as decimal degrees. False when the field does not begin with the degrees
// followed by the minutes.
bool ReadDegreesMinutes(const char* field, int degreeDigits, double& degrees);

// The integer at the start of `text` (blanks and a sign allowed, as "%d" reads
// it), held to the range of int32_t; false when there is none.
bool ReadLeadingInteger(const char* text, int32_t& value);
