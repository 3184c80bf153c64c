#pragma once
// The parts of a picture's path and the text stored for it in a waypoint's
// picture field. Both '\' and '/' separate directories, and a leading "X:" is a
// drive, so that paths written on either kind of system split alike.

#include <string>

struct PicturePathParts {
    std::string drive;      // "C:" or empty
    std::string directory;  // up to and including the last separator, "\trip\"
    std::string name;       // the file name without its extension, "IMG_0001"
    std::string extension;  // from the last dot of the file name on, ".JPG"
};

PicturePathParts SplitPicturePath(const std::string& path);

// The text stored for a picture. Relative: `directory`, then a backslash unless
// `directory` is empty or already ends with '\' or '/', then the file's name and
// extension as they stand in `path` ("pics" and C:\trip\IMG_0001.JPG give
// pics\IMG_0001.JPG). Otherwise the full path. The backslash is the separator of
// the stored text on every system, as the tables are read by Windows GIS tools.
std::string PicturePathText(const std::string& path, bool relative, const std::string& directory);
