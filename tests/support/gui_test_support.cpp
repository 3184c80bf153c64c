#include "gui_test_support.h"

#include <wx/config.h>
#include <wx/dcmemory.h>
#include <wx/filedlg.h>
#include <wx/init.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <chrono>

bool StartProgram(char** argv) {
    wxApp::SetInstance(new CQUORVEXApp);
    int wxArgc = 1;
    return wxEntryStart(wxArgc, argv) && wxTheApp->CallOnInit();
}

void EndProgram() {
    auto& app = GuiTest::App();
    app.Document()->Modify(false);
    app.MainFrame()->Close(true);
    for (int i = 0; i < 5; ++i) app.ProcessIdle();
    app.OnExit();
    wxEntryCleanup();
}

void GuiTest::SetUp() {
    ASSERT_NE(App().Document(), nullptr);
    ASSERT_NE(App().View(), nullptr);
    // Each test starts from the dialogs' defaults, not from the ports of an earlier one.
    wxConfigBase::Get()->DeleteGroup("/Garmin");
    wxConfigBase::Get()->DeleteGroup("/Magellan");
    Pump(100);
}

int GuiTest::AddLayer(const char* name, const Positions& positions, bool lines) {
    GeometryStore& store = Doc().m_geometryStore;
    const int layer = store.AddLayer(name, name, 500, lines ? 500 : 0, 0);
    int previous = -1;
    for (const auto& [x, y] : positions) {
        const int point = store.FindOrAddPoint(layer, x, y);
        if (lines && previous >= 0) store.AddVertex(layer, 1, previous, point);
        previous = point;
    }
    store.ComputeExtent(layer);
    return layer;
}

void GuiTest::FinishImport() {
    Doc().FinishImport();
    Pump();
}

wxImage GuiTest::RenderScreen(const wxSize& size) {
    wxBitmap bitmap(size, 24);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        View().DrawScreen(dc, size);
    }
    return bitmap.ConvertToImage();
}

void GuiTest::Pump(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        wxTheApp->Yield(true);
        wxMilliSleep(5);
    } while (std::chrono::steady_clock::now() < end);
}

void GuiTest::Command(int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    event.SetEventObject(&Frame());
    Frame().ProcessWindowEvent(event);
    Pump();
}

uint32_t PixelOf(const wxImage& image, int x, int y) {
    return (uint32_t{image.GetRed(x, y)} << 16) | (uint32_t{image.GetGreen(x, y)} << 8) |
           image.GetBlue(x, y);
}

uint32_t LayerRgb(int layer) {
    const wxColour& c = GuiTest::View().m_layerColours[layer];
    return (uint32_t{c.Red()} << 16) | (uint32_t{c.Green()} << 8) | c.Blue();
}

int CountColour(const wxImage& image, uint32_t rgb, wxRect rect) {
    if (rect.IsEmpty()) rect = wxRect(image.GetSize());
    int count = 0;
    for (int y = rect.GetTop(); y <= rect.GetBottom(); ++y)
        for (int x = rect.GetLeft(); x <= rect.GetRight(); ++x)
            count += PixelOf(image, x, y) == rgb;
    return count;
}

int DialogScript::Enter(wxDialog* dialog) {
    // A file dialog carries its title as its message.
    auto* files = dynamic_cast<wxFileDialog*>(dialog);
    const std::string title = (files ? files->GetMessage() : dialog->GetTitle()).utf8_string();
    titles.push_back(title);
    if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
        messages.push_back(box->GetMessage().utf8_string());
        return m_boxAnswer;
    }
    if (m_steps.empty() || m_steps.front().title != title) {
        unexpected.push_back(title);
        return wxID_CANCEL;
    }
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    if (step.result != wxID_NONE) {
        step.action(*dialog);
        return step.result;
    }
    dialog->CallAfter([dialog, action = std::move(step.action)] {
        action(*dialog);
        if (dialog->IsModal()) dialog->EndModal(kLeftOpen);
    });
    return wxID_NONE;  // show it
}

namespace {

void Notify(wxWindow* control, wxEventType type, int id, int value = 0, const wxString& text = {}) {
    wxCommandEvent event(type, id);
    event.SetEventObject(control);
    event.SetInt(value);
    event.SetString(text);
    control->GetEventHandler()->ProcessEvent(event);
}

}  // namespace

void Click(wxWindow* dialog, int id) {
    wxWindow* button = dialog->FindWindow(id);
    ASSERT_NE(button, nullptr) << "no button " << id;
    Notify(button, wxEVT_BUTTON, id);
}

void Check(wxWindow* dialog, int id, bool checked) {
    if (auto* radio = dynamic_cast<wxRadioButton*>(dialog->FindWindow(id))) {
        radio->SetValue(true);
        return Notify(radio, wxEVT_RADIOBUTTON, id, 1);
    }
    auto* box = Control<wxCheckBox>(dialog, id);
    ASSERT_NE(box, nullptr);
    box->SetValue(checked);
    Notify(box, wxEVT_CHECKBOX, id, checked ? 1 : 0);
}

void Choose(wxWindow* dialog, int id, const wxString& item) {
    auto* list = Control<wxItemContainer>(dialog, id);
    ASSERT_NE(list, nullptr);
    const int index = list->FindString(item);
    ASSERT_NE(index, wxNOT_FOUND) << "no item " << item << " in " << id;
    list->SetSelection(index);
    Notify(dialog->FindWindow(id), dynamic_cast<wxComboBox*>(list) ? wxEVT_COMBOBOX : wxEVT_CHOICE,
           id, index, item);
}

void Type(wxWindow* dialog, int id, const wxString& text) {
    if (auto* entry = Control<wxTextEntry>(dialog, id)) entry->SetValue(text);
}

std::string TextOf(wxWindow* dialog, int id) {
    auto* entry = Control<wxTextEntry>(dialog, id);
    return entry ? entry->GetValue().utf8_string() : std::string();
}

int RunModal(wxDialog& dialog, const std::function<void()>& actions) {
    dialog.CallAfter([&dialog, &actions] {
        actions();
        if (dialog.IsModal()) dialog.EndModal(kLeftOpen);
    });
    return dialog.ShowModal();
}
