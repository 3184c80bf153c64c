#include "view/layers_bar.h"

#include <wx/checkbox.h>
#include <wx/colordlg.h>
#include <wx/menu.h>
#include <wx/docview.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "view/command_ids.h"
#include "view/layer_colours.h"
#include "view/quorvex_view.h"

namespace {

CQUORVEXView* ActiveView() {
    wxDocManager* manager = wxDocManager::GetDocumentManager();
    return manager ? dynamic_cast<CQUORVEXView*>(manager->GetCurrentView()) : nullptr;
}

// Whether box k stands for a layer of the active view's document.
bool HasLayer(int k) {
    CQUORVEXView* view = ActiveView();
    return view && k >= 0 && k < CLayersBar::kBoxes && k < view->m_layersShown;
}

bool AskColour(wxWindow* parent, wxColour& colour) {
    wxColourData data;
    data.SetColour(colour);
    wxColourDialog dialog(parent, &data);
    dialog.SetTitle("Colour");
    if (dialog.ShowModal() != wxID_OK) return false;
    colour = dialog.GetColourData().GetColour();
    return true;
}

}  // namespace

CLayersBar::CLayersBar(wxWindow* parent)
    : wxPanel(parent, IDD_LAYERS_BAR), m_menuLayer(-1), m_colourChooser(AskColour) {
    for (int32_t& visible : m_visible) visible = 1;

    auto* column = new wxBoxSizer(wxVERTICAL);
    auto* title = new wxStaticText(this, wxID_ANY, "Layers");
    title->SetForegroundColour(*wxBLACK);
    column->Add(title, 0, wxLEFT | wxTOP | wxBOTTOM, 6);
    for (int k = 0; k < kBoxes; ++k) {
        // A wide blank caption keeps the bar's width when the boxes are empty.
        m_boxes[k] = new wxCheckBox(this, IDC_LAYER_FIRST + k, " ", wxDefaultPosition,
                                    wxSize(FromDIP(200), -1));
        const LayerColour c = LayerColourOf(k);
        m_boxes[k]->SetForegroundColour(wxColour(c.red, c.green, c.blue));
        column->Add(m_boxes[k], 0, wxLEFT | wxRIGHT | wxBOTTOM, 4);
        m_boxes[k]->Bind(wxEVT_CONTEXT_MENU, &CLayersBar::OnBoxMenu, this);
        m_boxes[k]->Bind(wxEVT_LEFT_DCLICK, &CLayersBar::OnBoxDoubleClick, this);
    }
    SetSizerAndFit(column);
    Bind(wxEVT_CHECKBOX, &CLayersBar::OnLayerBox, this, IDC_LAYER_FIRST, IDC_LAYER_LAST);
    Bind(wxEVT_MENU, &CLayersBar::OnMenuCommand, this, ID_LAYER_ZOOM);
    Bind(wxEVT_MENU, &CLayersBar::OnMenuCommand, this, ID_LAYER_COLOUR);
}

int CLayersBar::BoxOf(const wxObject* window) const {
    for (int k = 0; k < kBoxes; ++k)
        if (m_boxes[k] == window) return k;
    return -1;
}

void CLayersBar::OnBoxMenu(wxContextMenuEvent& event) {
    ShowLayerMenu(BoxOf(event.GetEventObject()));
}

void CLayersBar::OnBoxDoubleClick(wxMouseEvent& event) {
    event.Skip();
    ZoomToLayer(BoxOf(event.GetEventObject()));
}

void CLayersBar::ShowLayerMenu(int k) {
    if (!HasLayer(k)) return;
    wxMenu menu;
    menu.Append(ID_LAYER_ZOOM, "Zoom to Layer");
    menu.Append(ID_LAYER_COLOUR, "Colour...");
    m_menuLayer = k;
    PopupMenu(&menu, m_boxes[k]->GetPosition() + wxPoint(FromDIP(20), m_boxes[k]->GetSize().y));
}

void CLayersBar::OnMenuCommand(wxCommandEvent& event) {
    if (event.GetId() == ID_LAYER_ZOOM)
        ZoomToLayer(m_menuLayer);
    else
        ChooseColour(m_menuLayer);
}

void CLayersBar::ZoomToLayer(int k) {
    if (HasLayer(k)) ActiveView()->ZoomToLayer(k);
}

void CLayersBar::ChooseColour(int k) {
    if (!HasLayer(k)) return;
    wxColour colour = ActiveView()->m_layerColours[k];
    if (!m_colourChooser(this, colour)) return;
    // The view may have gone while the chooser was open.
    if (CQUORVEXView* view = ActiveView()) view->SetLayerColour(k, colour);
}

void CLayersBar::SetLayerBox(int k, const wxString& caption, bool checked) {
    if (k < 0 || k >= kBoxes) return;
    wxCheckBox* box = m_boxes[k];
    // The bar keeps its width: a name too long for it is cut, and shown whole
    // as the box's tool tip.
    const int room = box->GetSize().GetWidth() - FromDIP(28);
    wxString shown = caption;
    if (box->GetTextExtent(shown).GetWidth() > room) {
        while (!shown.empty() && box->GetTextExtent(shown + "...").GetWidth() > room)
            shown.RemoveLast();
        shown += "...";
    }
    box->SetLabel(shown);
    if (shown == caption)
        box->UnsetToolTip();
    else
        box->SetToolTip(caption);
    box->SetValue(checked);
}

void CLayersBar::OnLayerBox(wxCommandEvent& event) {
    const int k = event.GetId() - IDC_LAYER_FIRST;
    if (k < 0 || k >= kBoxes) return;
    m_visible[k] = m_boxes[k]->GetValue() ? 1 : 0;
    RedrawActiveView();
}

void CLayersBar::RedrawActiveView() {
    if (CQUORVEXView* view = ActiveView()) view->RedrawNow();
}
