#pragma once
// The picture matching options that quorvex-cli garmin and gpx share: what the
// picture matching dialog asks for, as options.

#include <string>
#include <vector>

class CliOptions;
class PictureSet;

struct PictureOptions {
    std::vector<std::string> files;
    std::string fieldNames;
    std::string relativeDirectory;
    std::string cameraOffset;
};

// Declares --pictures, --pictures-per-waypoint, --time-window, --field-names,
// --relative-dir, --min-field-width and --camera-offset; the numbers go straight into `pictures`.
void AddPictureOptions(CliOptions& options, PictureOptions* picture, PictureSet* pictures);

// Checks what AddPictureOptions read and puts the field names and the camera
// offset into `pictures`;
// false after reporting a usage mistake.
bool CheckPictureOptions(const CliOptions& options, const PictureOptions& picture,
                         PictureSet* pictures);

// What the dialog does with its selection on OK: selects and dates the files,
// sets the directory text and computes the field width.
void SelectPictureFiles(const CliOptions& options, const PictureOptions& picture,
                        PictureSet* pictures);

// The help lines of these options.
extern const char kPictureOptionsHelp[];
