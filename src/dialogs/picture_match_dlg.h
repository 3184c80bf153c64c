#pragma once
// "Picture matching ": the picture files to match to the waypoints of a Garmin
// import, and the options of the matching. The dialog edits a PictureSet that
// the import command owns and later hands to the waypoint transfer.
//
//   PictureSet pictures;                       // matching off until chosen
//   if (gpsDialog.picturesWanted) {
//       CPictureMatchDlg dialog(frame, pictures);
//       dialog.ShowModal();                    // OK or Cancel, the set says which
//   }
//   device.TransferWaypoints(..., pictures, ...);
//
// "Select Picture Files" replaces the selection with the chosen files (dated at
// once) and shows the directory of the first; a cancelled choice changes
// nothing. OK takes every option and computes the picture field width; a
// "Minimum field width:" that is not a whole number keeps the dialog open with
// a message. Cancel (also Escape or closing the window) turns the matching off:
// no picture field is added.

#include <wx/dialog.h>

#include <functional>
#include <string>
#include <vector>

class PictureSet;

// Chooses picture files; false when the user cancelled. The paths are in the
// file system's encoding, in the order the chooser gives them.
using PictureFileChooser = std::function<bool(wxWindow* parent, std::vector<std::string>* paths)>;

// The file chooser of the dialog: an open-file dialog with multiple selection,
// existing files only, and PictureFileWildcard() as its filter.
bool ChoosePictureFiles(wxWindow* parent, std::vector<std::string>* paths);

// The chooser's filter: picture files (bmp, jpg, jpeg, gif, wmf), or all files.
// Outside Windows, where patterns match case-sensitively, the upper-case forms
// are added ("*.JPG" is what cameras write) and "*.*" becomes "*".
wxString PictureFileWildcard();

class CPictureMatchDlg : public wxDialog {
  public:
    CPictureMatchDlg(wxWindow* parent, PictureSet& pictures);

    // Replaces the file chooser (the tests choose files without a window).
    void SetFileChooser(PictureFileChooser chooser) { m_chooseFiles = std::move(chooser); }
    // The waypoint table's own field names, which no picture field may take.
    void SetTableFields(std::vector<std::string> names) { m_tableFields = std::move(names); }

    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

    // The selected item of "Number of Pictures per Waypoint:".
    std::string picturesPerWaypointText;
    // "Camera clock:", the offset added to the pictures' times ("+01:00").
    std::string cameraClockText;

  private:
    void OnSelectPictureFiles(wxCommandEvent& event);
    void OnPicturesPerWaypointChange(wxCommandEvent& event);
    void OnOK(wxCommandEvent& event);
    void OnCancel(wxCommandEvent& event);

    // Enables the field name edits 1..`picturesPerWaypoint`, disables the others.
    void EnableFieldNames();
    // Shows `pictureCount` in "Pictures Selected:".
    void ShowPictureCount();

    PictureSet& m_pictures;
    PictureFileChooser m_chooseFiles = ChoosePictureFiles;
    std::vector<std::string> m_tableFields;
};
