#pragma once
// A small data set shaped like one Garmin download (waypoints, a route, the
// track log as a line and as points), for trying the desktop program without a
// receiver and for its screenshots and tests.

class GeometryStore;
class AttributeStore;

// Adds the four layers and their tables, computes the extents. The layers are
// marked modified, as after an import.
void FillDemoData(GeometryStore& geometry, AttributeStore& attributes);
