#pragma once
// The desktop program's UserFeedback: messages in a message box with an OK
// button, progress texts in the first status-bar pane, painted at once.

#include <wx/string.h>
#include <wx/utils.h>
#include <wx/wupdlock.h>

#include <string>

#include "core/user_feedback.h"

class GuiFeedback : public UserFeedback {
  public:
    // The box shows the normal pointer, also while a receiver is busy.
    void ShowMessage(const std::string& text) override;
    // Writes the text into pane 0 and lets pending events through (the pane's
    // repaint among them) with every window disabled for input, so a transfer
    // running on this thread keeps its progress visible.
    void ShowProgress(const std::string& text) override;
};

// A text of the core (8-bit; receiver names may carry Latin-1 bytes) for a window.
wxString FromCoreText(const std::string& text);

// What an import command holds while it talks to the receiver: the wait cursor,
// and every window disabled for input. Clicks and keys meanwhile are dropped,
// not kept for later, and the progress texts and whatever gets uncovered are
// still painted, except `heldWindow` (may be null), which is not repainted until
// the command is over.
class ReceiverBusy {
  public:
    // Also repaints what a dialog that just closed has uncovered.
    explicit ReceiverBusy(wxWindow* heldWindow);

  private:
    wxBusyCursor m_wait;
    wxWindowDisabler m_disabler;
    wxWindowUpdateLocker m_held;
};
