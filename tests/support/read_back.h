#pragma once
// Reads a written shapefile set back with an independent reader (pyshp, through
// tests/scripts/read_shapefile.py) and returns what it found.

#include <nlohmann/json.hpp>
#include <string>

// `base` is the path without extension. On failure the test fails and the result
// is null.
nlohmann::json ReadBack(const std::string& base);
