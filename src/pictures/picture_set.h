#pragma once
// The pictures chosen for a Garmin waypoint download and the options of their
// matching to waypoints by time. The picture matching dialog holds one PictureSet
// and edits it; the waypoint transfer takes it and writes each picture's path into
// picture fields of the waypoint table.
//
// Filling a set (the dialog, or the command-line tool):
//   1. Set the options: `picturesDirectory`, `relativePath`, `timeWindow`
//      (minutes), `picturesPerWaypoint` (0..6), `fieldNames` (the first
//      `picturesPerWaypoint` are used) and `minimumFieldWidth`. A new set holds
//      the dialog's defaults.
//   2. SelectPictures() with the chosen files, in the order chosen. It keeps at
//      most kMaxPictures (telling the user when more were chosen), dates each
//      picture and measures the longest path and name. A file dialog that was
//      cancelled calls nothing, so the earlier selection stays whole.
//      DirectoryOfFirstPicture() gives the directory text the dialog shows.
//   3. ComputeFieldWidth() once the options are final (the dialog's OK). It sets
//      `fieldWidth` from the longest path (or directory text and longest name)
//      and the minimum, capped at kMaxFieldWidth.
//   To turn the matching off (the dialog's Cancel, or no dialog at all) leave
//   `pictureCount` at 0 or set `picturesPerWaypoint` to 0.
//
// What the waypoint transfer calls:
//   - AddPictureFields(store, table) right after the waypoint table's own fields
//     and before any record is reserved or written. It appends the picture fields
//     and returns the first one's number, or -1 when no field was added (no
//     pictures, or matching turned off). Call it in every download.
//   - MatchPictures(store, table, 3) after the last waypoint is stored and the
//     layer's extent computed. Field 3 is the waypoint table's "Comment", read as a
//     time in the form receivers write ("17-MAY-03 14:22"). Without picture fields
//     it changes nothing.
// Neither call shows anything to the user.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pictures/picture_time.h"

class AttributeStore;

class PictureSet {
  public:
    static constexpr int kMaxPictures = 10000;
    static constexpr int kMaxPictureFields = 6;
    // The widest text field a .DBF carries: longer paths are cut to this.
    static constexpr int kMaxFieldWidth = 254;

    PictureSet();

    // Replaces the selection by `paths` (their order is kept): the first
    // kMaxPictures are stored and dated with ReadPictureTime; `pictureCount`,
    // `longestPathLength` and `longestNameLength` describe what was kept.
    void SelectPictures(const std::vector<std::string>& paths);

    // Dates picture `record` from its file (see picture_time.h).
    void ReadPictureTime(int record);

    // The directory part of picture 0's path without its drive ("\trip\" for
    // C:\trip\IMG_0001.JPG); empty when nothing is selected.
    std::string DirectoryOfFirstPicture() const;

    // Sets and returns `fieldWidth`: relative paths need the directory text and the
    // longest name (without extension) + 2, absolute ones the longest path + 2; the
    // result is raised to `minimumFieldWidth` and capped at kMaxFieldWidth, with a
    // message when the cap cuts it.
    int ComputeFieldWidth();

    // Appends `picturesPerWaypoint` text fields of `fieldWidth`, named after
    // `fieldNames`, to `table`; sets and returns `firstPictureField` (-1 when none).
    int AddPictureFields(AttributeStore& store, int table);

    // Checks the names the matching will use, the first `picturesPerWaypoint`:
    // each must be 1 to 10 letters, digits or underscores (what a .DBF field name
    // holds), differ from the others ignoring case, and differ from every name in
    // `tableFields` (the waypoint table's own fields). Returns the message that
    // names the first bad one, or "" when all are fine.
    std::string CheckFieldNames(const std::vector<std::string>& tableFields) const;

    // Sorts the selected pictures by (year, month, day, seconds), a Shell sort that
    // never swaps pictures of equal time.
    void SortPictures();

    // Gives each picture to the waypoint nearest in time on the same month and day
    // (the year is ignored, midnight is never crossed, ties go to the lower record)
    // and writes the path texts of each waypoint's pictures within `timeWindow`
    // minutes into its picture fields, earliest first. A waypoint with exactly one
    // picture puts it in the field named "Local" when there is one. A waypoint
    // whose `timeField` holds no time is taken at the UTC time stamp of
    // `utcTimeField` (when >= 0), in local time. Returns 0.
    int MatchPictures(AttributeStore& store, int table, int timeField, int utcTimeField = -1);

    // Reads "[+-]HH:MM" (hours 0..99, minutes 0..59; no sign means +) as minutes;
    // false for anything else.
    static bool ReadCameraOffset(const std::string& text, int32_t* minutes);
    // "+01:30", "-00:45", "+00:00".
    static std::string CameraOffsetText(int32_t minutes);

    // The text stored for a picture (relative or full path, see picture_path.h).
    std::string PathText(const PictureRecord& picture) const;

    // Options, with the dialog's defaults.
    std::string picturesDirectory;
    bool relativePath = false;
    int32_t minimumFieldWidth = 15;
    int32_t timeWindow = 5;  // minutes, 0..10 in the dialog
    std::string fieldNames[kMaxPictureFields] = {"North", "East", "South", "West", "Local", ""};
    // "Camera clock": minutes added to every picture's time before matching, for a
    // camera whose clock was wrong (+60 when it ran an hour behind).
    int32_t cameraOffset = 0;

    // The selection.
    int32_t pictureCount = 0;
    int32_t picturesPerWaypoint = 4;  // 0..6

    // Set by ComputeFieldWidth and AddPictureFields.
    int32_t fieldWidth = 0;  // 0 until computed; AddPictureFields computes it then
    int32_t firstPictureField = -1;

    std::unique_ptr<PictureRecord[]> pictures;  // kMaxPictures slots, first pictureCount used
    int32_t longestPathLength = 0;
    int32_t longestNameLength = 0;
    // The longest file name with its extension: a relative path text is the
    // directory text, a separator and this name, so its field must hold all of it.
    int32_t longestFileNameLength = 0;

  private:
    // `pictureCount` and `picturesPerWaypoint` as far as the arrays reach.
    int UsedPictureCount() const;
    int UsedFieldCount() const;
};
