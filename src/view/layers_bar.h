#pragma once
// The layers bar: a fixed panel at the left edge of the main window with the
// title "Layers" and one check box for each of the first 20 layers, captioned
// with the layer's name in the layer's colour. Clearing a box hides its layer.

#include <wx/panel.h>

#include <cstdint>

class wxCheckBox;

class CLayersBar : public wxPanel {
  public:
    static constexpr int kBoxes = 20;
    static constexpr int kMaxLayers = 256;

    explicit CLayersBar(wxWindow* parent);

    // Sets box k (0..19): its caption and whether it is checked.
    void SetLayerBox(int k, const wxString& caption, bool checked);
    wxCheckBox* Box(int k) const { return m_boxes[k]; }

    // 1: the view draws the layer with that index; 0: it skips it. Only the
    // first 20 entries ever change; layers 20 and up are always drawn.
    int32_t m_visible[kMaxLayers];

  private:
    void OnLayerBox(wxCommandEvent& event);
    void RedrawActiveView();

    wxCheckBox* m_boxes[kBoxes];
};
