#pragma once
// What the desktop program's tests share: the running program's pieces, layers
// put straight into the document's stores, the view rendered into an image,
// event pumping, and answers for modal dialogs.

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/modalhook.h>

#include <string>
#include <utility>
#include <vector>

#include "app/main_frame.h"
#include "app/quorvex_app.h"
#include "app/quorvex_doc.h"
#include "view/layers_bar.h"
#include "view/quorvex_view.h"

using Positions = std::vector<std::pair<double, double>>;  // (longitude, latitude)

class GuiTest : public ::testing::Test {
  protected:
    void SetUp() override;

    CQUORVEXApp& App() const;
    CMainFrame& Frame() const;
    CQUORVEXDoc& Doc() const;
    CQUORVEXView& View() const;
    CLayersBar& LayersBar() const;

    // A point layer, or a line layer joining the positions in order.
    int AddPointLayer(const char* name, const Positions& positions);
    int AddLineLayer(const char* name, const Positions& positions);
    // What an import does at its end: extents, views updated, document modified.
    void FinishImport();

    // The view as the screen shows it, drawn into an image of `size`.
    wxImage RenderScreen(const wxSize& size);
    // The canvas's size on screen.
    wxSize CanvasSize() const;

    // Handles pending events for `ms` milliseconds.
    static void Pump(int ms = 50);
    // Sends a menu or toolbar command to the main frame as a click would.
    void Command(int id);
};

// Handles pending events for `ms` milliseconds (inside a dialog's loop too).
void PumpEvents(int ms);

// 0xRRGGBB of a pixel.
uint32_t PixelOf(const wxImage& image, int x, int y);
// 0xRRGGBB of a layer's colour.
uint32_t LayerRgb(int layer);
// Number of pixels of exactly `rgb` inside `rect` of the image.
int CountColour(const wxImage& image, uint32_t rgb, const wxRect& rect);
int CountColour(const wxImage& image, uint32_t rgb);

// Answers every modal dialog with `answer` instead of showing it, and keeps
// each dialog's title and message.
class DialogAnswer : public wxModalDialogHook {
  public:
    explicit DialogAnswer(int answer) : m_answer(answer) { Register(); }

    std::vector<std::string> titles;
    std::vector<std::string> messages;  // of message boxes; "" for other dialogs
    std::vector<std::string> texts;     // every static text of the dialog, joined

  protected:
    int Enter(wxDialog* dialog) override;

  private:
    int m_answer;
};
