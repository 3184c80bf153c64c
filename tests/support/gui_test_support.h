#pragma once
// What the desktop program's tests share: the running program, layers put straight
// into the document, the view drawn into an image, and dialogs driven through their
// controls (state set and notification sent, as a click would).

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <deque>
#include <functional>
#include <utility>

#include "app/main_frame.h"
#include "app/quorvex_app.h"
#include "app/quorvex_doc.h"
#include "quorvex_test.h"
#include "view/layers_bar.h"
#include "view/quorvex_view.h"

using Positions = std::vector<std::pair<double, double>>;  // (longitude, latitude)

// The control `id` of `dialog` as a T; the test fails when there is none such.
template <typename T>
T* Control(wxWindow* dialog, int id) {
    T* control = dynamic_cast<T*>(dialog->FindWindow(id));
    if (control == nullptr) ADD_FAILURE() << "no control " << id << " of the expected kind";
    return control;
}

// Presses button `id`; sets check box `id` (or ticks radio button `id`); chooses
// `item` in list `id`; types into, or reads, text control or combo box `id`.
void Click(wxWindow* dialog, int id);
void Check(wxWindow* dialog, int id, bool checked = true);
void Choose(wxWindow* dialog, int id, const wxString& item);
void Type(wxWindow* dialog, int id, const wxString& text);
std::string TextOf(wxWindow* dialog, int id);

// Shows `dialog` modally, runs `actions` inside its event loop (as the user would
// act on it) and returns the dialog's result, kLeftOpen when `actions` left it open.
constexpr int kLeftOpen = -2;
int RunModal(wxDialog& dialog, const std::function<void()>& actions);

// Each test runs in the program as `quorvex` starts it (gui_test_main).
class GuiTest : public ::testing::Test {
  public:
    void SetUp() override;

    static CQUORVEXApp& App() { return *static_cast<CQUORVEXApp*>(wxTheApp); }
    static CMainFrame& Frame() { return *App().MainFrame(); }
    static CQUORVEXDoc& Doc() { return *App().Document(); }
    static CQUORVEXView& View() { return *App().View(); }
    static CLayersBar& LayersBar() { return *Frame().m_wndLayersBar; }

    // A point layer, or a line layer joining the positions in order.
    static int AddLayer(const char* name, const Positions& positions, bool lines = false);
    // Ends an import as the import commands do, then lets the views draw.
    static void FinishImport();
    // The view as the screen shows it, drawn into an image of `size`.
    static wxImage RenderScreen(const wxSize& size);
    // Handles pending events for `ms` milliseconds (inside a dialog's loop too).
    static void Pump(int ms = 50);
    // Sends a menu or toolbar command to the main frame as a click would.
    static void Command(int id);
};

// Starts CQUORVEXApp as `quorvex` starts it (main window shown, document created);
// false without an X server. EndProgram closes the window without the save question.
bool StartProgram(char** argv);
void EndProgram();

// 0xRRGGBB of a pixel, and of a layer's colour.
uint32_t PixelOf(const wxImage& image, int x, int y);
uint32_t LayerRgb(int layer);
// Number of pixels of exactly `rgb` inside `rect` (the whole image when empty).
int CountColour(const wxImage& image, uint32_t rgb, wxRect rect = {});

// Acts on the modal dialogs a command opens, in order, inside their modal loops:
//   DialogScript script;
//   script.Then("Communication Parameters", [](wxDialog& d) { Click(&d, wxID_OK); });
//   Command(ID_IMPORT_GARMIN);
// A dialog a step leaves open is ended with kLeftOpen; a step given a result is not
// shown (its action only prepares the dialog). Message boxes get `boxAnswer`, other
// dialogs no step waits for Cancel (kept in `unexpected`): no command waits for a
// user. One script at a time: an older one would answer a newer one's dialogs.
class DialogScript : public wxModalDialogHook {
  public:
    using Action = std::function<void(wxDialog&)>;

    explicit DialogScript(int boxAnswer = wxID_OK) : m_boxAnswer(boxAnswer) { Register(); }
    ~DialogScript() override { Unregister(); }

    DialogScript& Then(const std::string& title, Action action, int result = wxID_NONE) {
        m_steps.push_back({title, std::move(action), result});
        return *this;
    }
    // Every step has had its dialog.
    bool Done() const { return m_steps.empty(); }

    std::vector<std::string> titles;      // every dialog, message boxes too, in order
    std::vector<std::string> messages;    // the texts of the message boxes
    std::vector<std::string> unexpected;  // titles of the dialogs no step waited for

  protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}

  private:
    struct Step {
        std::string title;
        Action action;
        int result;
    };
    std::deque<Step> m_steps;
    int m_boxAnswer;
};
