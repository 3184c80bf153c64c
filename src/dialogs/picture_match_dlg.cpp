#include "dialogs/picture_match_dlg.h"

#include <wx/arrstr.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>
#include <wx/valgen.h>

#include <algorithm>

#include "core/user_feedback.h"
#include "dialogs/dialog_ids.h"
#include "dialogs/dialog_layout.h"
#include "dialogs/dialog_validators.h"
#include "pictures/picture_set.h"

namespace {

constexpr int kMaxTimeWindow = 10;  // minutes, the last item of the time window list

const char kPictureFileFilter[] =
    "Picture Files |*.bmp;*.jpg;*.jpeg;*.gif;*.wmf|All Files(*.*) |*.*";

wxTextCtrl* NewNameField(wxWindow* parent, int field, std::string* name) {
    auto* edit = new wxTextCtrl(parent, kIdFieldName1 + field, wxEmptyString, wxDefaultPosition,
                                wxSize(parent->FromDIP(110), -1));
    edit->SetValidator(TextFieldValidator(name));
    return edit;
}

}  // namespace

wxString PictureFileWildcard() {
#ifdef _WIN32
    return kPictureFileFilter;
#else
    // Descriptions and pattern lists alternate.
    wxArrayString parts = wxSplit(kPictureFileFilter, '|', '\0');
    for (size_t i = 1; i < parts.size(); i += 2) {
        wxArrayString patterns = wxSplit(parts[i], ';', '\0');
        wxArrayString widened;
        for (const wxString& pattern : patterns)
            widened.push_back(pattern == "*.*" ? "*" : pattern);
        for (const wxString& pattern : patterns)
            if (pattern.Upper() != pattern) widened.push_back(pattern.Upper());
        parts[i] = wxJoin(widened, ';', '\0');
    }
    return wxJoin(parts, '|', '\0');
#endif
}

bool ChoosePictureFiles(wxWindow* parent, std::vector<std::string>* paths) {
    wxFileDialog dialog(parent, wxFileSelectorPromptStr, wxEmptyString, wxEmptyString,
                        PictureFileWildcard(), wxFD_OPEN | wxFD_MULTIPLE | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK) return false;
    wxArrayString chosen;
    dialog.GetPaths(chosen);
    paths->clear();
    for (const wxString& path : chosen) paths->push_back(std::string(path.fn_str()));
    return true;
}

CPictureMatchDlg::CPictureMatchDlg(wxWindow* parent, PictureSet& pictures)
    : wxDialog(parent, wxID_ANY, "Picture matching "), m_pictures(pictures) {
    PrepareDialog(this);
    const int gap = FromDIP(kGap);
    auto* content = new wxBoxSizer(wxVERTICAL);

    // The selection: the button, the count and the directory of the first picture.
    auto* selection = new wxBoxSizer(wxHORIZONTAL);
    selection->Add(new wxButton(this, kIdSelectPictureFiles, "Select Picture Files"), 0,
                   wxALIGN_CENTER_VERTICAL | wxRIGHT, 2 * gap);
    selection->Add(new wxStaticText(this, wxID_ANY, "Pictures Selected:"), 0,
                   wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    auto* count = new wxTextCtrl(this, kIdPicturesSelected, "0", wxDefaultPosition,
                                 wxSize(FromDIP(70), -1), wxTE_RIGHT);
    count->Disable();
    selection->Add(count, 0, wxALIGN_CENTER_VERTICAL);
    content->Add(selection, 0, wxALL, gap / 2);

    auto* directory = new wxFlexGridSizer(2, gap, gap);
    directory->AddGrowableCol(1);
    auto* directoryEdit = new wxTextCtrl(this, kIdPicturesDirectory);
    directoryEdit->SetValidator(TextFieldValidator(&m_pictures.picturesDirectory));
    AddLabelled(directory, this, "Pictures Directory:", directoryEdit);
    content->Add(directory, 0, wxEXPAND | wxALL, gap / 2);

    auto* relative = new wxCheckBox(
        this, kIdRelativePath,
        "Use the relative directory path specified above (default is absolute path)");
    relative->SetValidator(wxGenericValidator(&m_pictures.relativePath));
    content->Add(relative, 0, wxALL, gap / 2);

    auto* window = new wxBoxSizer(wxHORIZONTAL);
    window->Add(new wxStaticText(this, wxID_ANY,
                                 "Maximum time window between Waypoint and Picture in minutes:"),
                0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    auto* minutes = new wxChoice(this, kIdTimeWindow);
    for (int m = 0; m <= kMaxTimeWindow; ++m) minutes->Append(wxString::Format("%d", m));
    // The list's index is the window in minutes.
    minutes->SetValidator(wxGenericValidator(&m_pictures.timeWindow));
    window->Add(minutes, 0, wxALIGN_CENTER_VERTICAL);
    content->Add(window, 0, wxALL, gap / 2);

    auto* clock = new wxBoxSizer(wxHORIZONTAL);
    clock->Add(new wxStaticText(this, wxID_ANY, "Camera clock:"), 0,
               wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    auto* clockEdit = new wxTextCtrl(this, kIdCameraClock, wxEmptyString, wxDefaultPosition,
                                     wxSize(FromDIP(70), -1));
    clockEdit->SetValidator(TextFieldValidator(&cameraClockText));
    clock->Add(clockEdit, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    clock->Add(new wxStaticText(this, wxID_ANY, "(+/-HH:MM added to the pictures' times)"), 0,
               wxALIGN_CENTER_VERTICAL);
    content->Add(clock, 0, wxALL, gap / 2);

    wxStaticBoxSizer* fields = AddGroup(this, content, "Picture Fields");
    wxWindow* box = fields->GetStaticBox();
    auto* perWaypoint = new wxBoxSizer(wxHORIZONTAL);
    perWaypoint->Add(new wxStaticText(box, wxID_ANY, "Number of Pictures per Waypoint:"), 0,
                     wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    auto* perWaypointList = new wxChoice(box, kIdPicturesPerWaypoint, wxDefaultPosition,
                                         wxDefaultSize, 0, nullptr, wxCB_SORT);
    for (int n = 0; n <= PictureSet::kMaxPictureFields; ++n)
        perWaypointList->Append(wxString::Format("%d", n));
    perWaypointList->SetValidator(TextFieldValidator(&picturesPerWaypointText));
    perWaypoint->Add(perWaypointList, 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(perWaypoint, 0, wxALL, gap / 2);
    // Names 1..3 in the left column, 4..6 in the right one.
    auto* names = new wxFlexGridSizer(4, gap, gap);
    names->AddGrowableCol(1);
    names->AddGrowableCol(3);
    for (int row = 0; row < 3; ++row) {
        for (int field : {row, row + 3}) {
            AddLabelled(names, box, wxString::Format("Field Name # %d:", field + 1),
                        NewNameField(box, field, &m_pictures.fieldNames[field]));
        }
    }
    fields->Add(names, 0, wxEXPAND | wxALL, gap / 2);

    auto* width = new wxBoxSizer(wxHORIZONTAL);
    width->Add(new wxStaticText(this, wxID_ANY, "Minimum field width:"), 0,
               wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    auto* widthEdit = new wxTextCtrl(this, kIdMinimumFieldWidth, wxEmptyString, wxDefaultPosition,
                                     wxSize(FromDIP(70), -1));
    widthEdit->SetValidator(
        IntegerFieldValidator(&m_pictures.minimumFieldWidth, "Minimum field width"));
    width->Add(widthEdit, 0, wxALIGN_CENTER_VERTICAL);
    content->Add(width, 0, wxALL, gap / 2);

    FinishDialog(this, content);

    Bind(wxEVT_BUTTON, &CPictureMatchDlg::OnSelectPictureFiles, this, kIdSelectPictureFiles);
    Bind(wxEVT_CHOICE, &CPictureMatchDlg::OnPicturesPerWaypointChange, this,
         kIdPicturesPerWaypoint);
    Bind(wxEVT_BUTTON, &CPictureMatchDlg::OnOK, this, wxID_OK);
    Bind(wxEVT_BUTTON, &CPictureMatchDlg::OnCancel, this, wxID_CANCEL);
}

bool CPictureMatchDlg::TransferDataToWindow() {
    // The lists hold only these values; a set that holds others shows the nearest.
    m_pictures.picturesPerWaypoint =
        std::clamp(m_pictures.picturesPerWaypoint, 0, PictureSet::kMaxPictureFields);
    m_pictures.timeWindow = std::clamp(m_pictures.timeWindow, 0, kMaxTimeWindow);
    picturesPerWaypointText = std::to_string(m_pictures.picturesPerWaypoint);
    cameraClockText = PictureSet::CameraOffsetText(m_pictures.cameraOffset);
    if (!wxDialog::TransferDataToWindow()) return false;
    ShowPictureCount();
    EnableFieldNames();
    return true;
}

bool CPictureMatchDlg::TransferDataFromWindow() {
    if (!wxDialog::TransferDataFromWindow()) return false;
    if (!PictureSet::ReadCameraOffset(cameraClockText, &m_pictures.cameraOffset)) {
        wxMessageBox("Camera clock: give the camera's error as +HH:MM or -HH:MM.", "QUORVEX",
                     wxOK, this);
        return false;
    }
    m_pictures.picturesPerWaypoint = std::atoi(picturesPerWaypointText.c_str());
    return true;
}

void CPictureMatchDlg::OnSelectPictureFiles(wxCommandEvent&) {
    std::vector<std::string> paths;
    // A cancelled choice keeps the earlier selection, its lengths and every text.
    if (!m_chooseFiles(this, &paths)) return;
    {
        wxBusyCursor dating;  // each picture is read for its date
        m_pictures.SelectPictures(paths);
    }
    m_pictures.picturesDirectory = m_pictures.DirectoryOfFirstPicture();
    // Only the directory and the count change; what the user typed into the
    // other controls stays.
    FindWindow(kIdPicturesDirectory)->GetValidator()->TransferToWindow();
    ShowPictureCount();
}

void CPictureMatchDlg::OnPicturesPerWaypointChange(wxCommandEvent&) {
    FindWindow(kIdPicturesPerWaypoint)->GetValidator()->TransferFromWindow();
    m_pictures.picturesPerWaypoint = std::atoi(picturesPerWaypointText.c_str());
    EnableFieldNames();
}

void CPictureMatchDlg::OnOK(wxCommandEvent&) {
    if (!Validate() || !TransferDataFromWindow()) return;
    // A field name the matching cannot use keeps the dialog open.
    const std::string badName = m_pictures.CheckFieldNames(m_tableFields);
    if (!badName.empty()) {
        ShowMessage(badName);
        return;
    }
    m_pictures.ComputeFieldWidth();
    EndDialog(wxID_OK);
}

void CPictureMatchDlg::OnCancel(wxCommandEvent&) {
    m_pictures.pictureCount = 0;
    m_pictures.picturesPerWaypoint = 0;
    EndDialog(wxID_CANCEL);
}

void CPictureMatchDlg::EnableFieldNames() {
    for (int field = 0; field < PictureSet::kMaxPictureFields; ++field)
        FindWindow(kIdFieldName1 + field)->Enable(field < m_pictures.picturesPerWaypoint);
}

void CPictureMatchDlg::ShowPictureCount() {
    static_cast<wxTextCtrl*>(FindWindow(kIdPicturesSelected))
        ->ChangeValue(wxString::Format("%d", static_cast<int>(m_pictures.pictureCount)));
}
