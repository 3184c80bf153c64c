#pragma once
// The Magellan side of the simulated receiver: NMEA command sentences from the
// host, answered with version, waypoint, route and track lists, with or without
// hand-shaking ($PMGNCSM after every sentence).

#include <optional>
#include <string>
#include <vector>

#include "dataset.h"
#include "line_faults.h"
#include "pty_link.h"
#include "sim_options.h"

namespace nmea {

// XOR of every byte up to the first '*', '$' skipped.
unsigned Checksum(const std::string& body);
// "$BODY*XX\r\n"
std::string Sentence(const std::string& body, bool badChecksum = false);
// Degrees as ddmm.mmm (latitude, two degree digits) or dddmm.mmm (longitude).
std::string Coordinate(double degrees, int degreeDigits);

// The sentences a receiver sends for a dataset, without checksums.
std::string WaypointBody(const SimWaypoint& w);
std::string GpwplBody(const SimWaypoint& w);
std::vector<std::string> RouteBodies(const SimRoute& r);
std::string TrackPointBody(const SimTrackPoint& p, const std::string& trackName);

}  // namespace nmea

class MagellanSession {
  public:
    MagellanSession(PtyLink& link, const SimOptions& options, const SimDataset& data,
                    LineFaults& faults);

    // The host sent a '$': reads the rest of its sentence and acts on it.
    void OnSentenceStart();

  private:
    bool ReadRestOfLine(std::string& line);
    bool ReadSentence(std::string& line, int timeoutMs);
    void Handle(const std::string& line);
    // Sends one sentence of a list; with hand-shaking, waits for its $PMGNCSM.
    // False when the list must end (silence, closed device, host interrupted).
    bool SendListSentence(const std::string& body);
    void SendList(const std::vector<std::string>& bodies);
    void Acknowledge(const std::string& line);

    PtyLink& link_;
    const SimOptions& options_;
    const SimDataset& data_;
    LineFaults& faults_;
    bool handshake_ = false;
    std::optional<std::string> pending_;
};
