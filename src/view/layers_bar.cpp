#include "view/layers_bar.h"

#include <wx/checkbox.h>
#include <wx/docview.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "view/command_ids.h"
#include "view/layer_colours.h"
#include "view/quorvex_view.h"

CLayersBar::CLayersBar(wxWindow* parent) : wxPanel(parent, IDD_LAYERS_BAR) {
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
    }
    SetSizerAndFit(column);
    Bind(wxEVT_CHECKBOX, &CLayersBar::OnLayerBox, this, IDC_LAYER_FIRST, IDC_LAYER_LAST);
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
    wxDocManager* manager = wxDocManager::GetDocumentManager();
    if (!manager) return;
    if (auto* view = dynamic_cast<CQUORVEXView*>(manager->GetCurrentView())) view->RedrawNow();
}
