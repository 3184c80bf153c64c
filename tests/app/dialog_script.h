#pragma once
// Acts on the modal dialogs that a command opens, one after another, inside
// their own modal loops, as a user would:
//
//   DialogScript script;
//   script.Then("Communication Parameters", [](wxDialog& d) { Click(&d, wxID_OK); });
//   Command(ID_IMPORT_GARMIN);
//   EXPECT_TRUE(script.Done());
//
// A step's actions run once the dialog's modal loop is running; a dialog they
// leave open is ended with kLeftOpen. Message boxes are answered with OK and
// kept; any other dialog no step waits for is answered with Cancel and kept as
// unexpected. So no command waits for a user, whatever goes wrong.

#include <wx/modalhook.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class wxDialog;

class DialogScript : public wxModalDialogHook {
  public:
    using Action = std::function<void(wxDialog&)>;

    DialogScript() { Register(); }
    ~DialogScript() override { Unregister(); }

    // The next dialog titled `title` gets `action`.
    DialogScript& Then(const std::string& title, Action action);
    // The next dialog titled `title` is not shown: `prepare` runs on it, and
    // its result is `result` (a file dialog given its path and OK).
    DialogScript& Answer(const std::string& title, Action prepare, int result);
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
        int result;  // wxID_NONE: shown, `action` inside its loop
    };
    std::deque<Step> m_steps;
};
