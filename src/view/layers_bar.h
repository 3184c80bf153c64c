#pragma once
// The layers bar: a fixed panel at the left edge of the main window with the
// title "Layers" and one check box for each of the first 20 layers, captioned
// with the layer's name in the layer's colour. Clearing a box hides its layer;
// double-clicking its name zooms to it; a right click offers Zoom to Layer and
// Colour... (a colour chooser).

#include <wx/panel.h>

#include <cstdint>
#include <functional>

class wxCheckBox;

class CLayersBar : public wxPanel {
  public:
    static constexpr int kBoxes = 20;
    static constexpr int kMaxLayers = 256;

    explicit CLayersBar(wxWindow* parent);

    // Sets box k (0..19): its caption and whether it is checked.
    void SetLayerBox(int k, const wxString& caption, bool checked);
    wxCheckBox* Box(int k) const { return m_boxes[k]; }

    // The menu of box k's layer, as a right click shows it.
    void ShowLayerMenu(int k);
    // Its two commands on layer k (nothing for a box without a layer).
    void ZoomToLayer(int k);
    void ChooseColour(int k);

    // How Colour... asks for a colour: true with `colour` changed when one was
    // chosen. The colour chooser dialog unless set otherwise.
    using ColourChooser = std::function<bool(wxWindow* parent, wxColour& colour)>;
    void SetColourChooser(ColourChooser chooser) { m_colourChooser = std::move(chooser); }

    // 1: the view draws the layer with that index; 0: it skips it. Only the
    // first 20 entries ever change; layers 20 and up are always drawn.
    int32_t m_visible[kMaxLayers];

  private:
    void OnLayerBox(wxCommandEvent& event);
    void OnBoxMenu(wxContextMenuEvent& event);
    void OnBoxDoubleClick(wxMouseEvent& event);
    void OnMenuCommand(wxCommandEvent& event);
    void RedrawActiveView();
    int BoxOf(const wxObject* window) const;

    wxCheckBox* m_boxes[kBoxes];
    int m_menuLayer;  // the box whose menu is shown
    ColourChooser m_colourChooser;
};
