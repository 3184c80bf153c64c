#pragma once
// What the "GPS Interface" dialog chose, in the choice of an import (Garmin,
// Magellan or GPX files). A Magellan receiver downloads its track log only as
// lines and matches no pictures, so its choice has no place for the track
// points box; the others take it with ChoiceWithTrackPoints.

#include "dialogs/gps_interface_dlg.h"

template <typename Choice>
Choice ChoiceFrom(const CGpsInterfaceDlg& dialog) {
    Choice choice;
    choice.waypoints = dialog.waypointsWanted;
    choice.routes = dialog.routesWanted;
    choice.trackLines = dialog.tracksAsLines;
    choice.waypointsFile = dialog.waypointsFile;
    choice.routesFile = dialog.routesFile;
    choice.tracksFile = dialog.tracksFile;
    return choice;
}

template <typename Choice>
Choice ChoiceWithTrackPoints(const CGpsInterfaceDlg& dialog) {
    auto choice = ChoiceFrom<Choice>(dialog);
    choice.trackPoints = dialog.tracksAsPoints;
    return choice;
}
