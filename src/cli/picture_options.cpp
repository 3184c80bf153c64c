#include "cli/picture_options.h"

#include "cli/cli_options.h"
#include "pictures/picture_set.h"

namespace {

// Splits "A,B,C" into the picture set's field names; the names not given keep
// their defaults. False when there are more than the set holds.
bool SetFieldNames(const std::string& list, PictureSet* pictures) {
    std::vector<std::string> names;
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(',', start);
        names.push_back(list.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (names.size() > static_cast<size_t>(PictureSet::kMaxPictureFields)) return false;
    for (size_t i = 0; i < names.size(); ++i) pictures->fieldNames[i] = names[i];
    return true;
}

}  // namespace

const char kPictureOptionsHelp[] =
    "  --pictures FILE...         the picture files (at most 10000 are used)\n"
    "  --pictures-per-waypoint N  picture fields per waypoint, 0..6 (default 4)\n"
    "  --time-window MIN          largest time difference in minutes, 0..10 (default 5)\n"
    "  --field-names A,B,...      names of the picture fields (default\n"
    "                             North,East,South,West,Local,); a waypoint with a\n"
    "                             single picture puts it into a field named Local\n"
    "  --relative-dir TEXT        store TEXT and the file name instead of the full path\n"
    "  --min-field-width N        smallest width of a picture field, 0..254 (default 15)\n"
    "  --camera-offset [+-]HH:MM  added to the pictures' times, for a camera whose clock\n"
    "                             was wrong (+01:00 when it ran an hour behind)\n";

void AddPictureOptions(CliOptions& options, PictureOptions* picture, PictureSet* pictures) {
    options.AddList("--pictures", &picture->files);
    options.AddNumber("--pictures-per-waypoint", &pictures->picturesPerWaypoint, 0,
                      PictureSet::kMaxPictureFields);
    options.AddNumber("--time-window", &pictures->timeWindow, 0, 10);
    options.AddText("--field-names", &picture->fieldNames);
    options.AddText("--relative-dir", &picture->relativeDirectory);
    options.AddNumber("--min-field-width", &pictures->minimumFieldWidth, 0,
                      PictureSet::kMaxFieldWidth);
    options.AddText("--camera-offset", &picture->cameraOffset);
}

bool CheckPictureOptions(const CliOptions& options, const PictureOptions& picture,
                         PictureSet* pictures) {
    if (options.Given("--field-names") && !SetFieldNames(picture.fieldNames, pictures))
        return options.Fail("--field-names takes at most 6 names");
    // The names the matching will use; the waypoint table's own fields are
    // known only once the receiver has told its layout.
    const std::string badName = picture.files.empty() ? std::string() : pictures->CheckFieldNames({});
    if (!badName.empty()) return options.Fail(badName);
    if (options.Given("--camera-offset") &&
        !PictureSet::ReadCameraOffset(picture.cameraOffset, &pictures->cameraOffset))
        return options.Fail("--camera-offset takes [+-]HH:MM, not '" + picture.cameraOffset + "'");
    return true;
}

void SelectPictureFiles(const CliOptions& options, const PictureOptions& picture,
                        PictureSet* pictures) {
    pictures->SelectPictures(picture.files);
    pictures->relativePath = options.Given("--relative-dir");
    pictures->picturesDirectory =
        pictures->relativePath ? picture.relativeDirectory : pictures->DirectoryOfFirstPicture();
    pictures->ComputeFieldWidth();
}
