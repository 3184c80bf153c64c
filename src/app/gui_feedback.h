#pragma once
// The desktop program's UserFeedback: messages in a message box with an OK
// button, progress texts in the first status-bar pane, painted at most 20 times
// a second, and the Cancel button and Esc of the main frame as the request to
// stop the running transfer.

#include <wx/string.h>
#include <wx/utils.h>
#include <wx/wupdlock.h>

#include <chrono>
#include <string>

#include "core/user_feedback.h"

class GuiFeedback : public UserFeedback {
  public:
    // The box shows the normal pointer, also while a receiver is busy.
    void ShowMessage(const std::string& text) override;
    // Writes the text into pane 0 and, when the last paint is kPaintInterval
    // old, lets pending events through (the pane's repaint among them, and the
    // Cancel button and Esc while a transfer runs), so a transfer running on
    // this thread keeps its progress visible without painting every packet.
    void ShowProgress(const std::string& text) override;
    bool CancelRequested() override { return m_cancelRequested; }

    // The Cancel button and Esc ask; each ReceiverBusy starts afresh.
    void RequestCancel() { m_cancelRequested = true; }
    void ResetCancel() { m_cancelRequested = false; }
    // Writes a progress text that was held back into pane 0.
    void FlushProgress();

    static constexpr std::chrono::milliseconds kPaintInterval{50};

  private:
    bool m_cancelRequested = false;
    std::chrono::steady_clock::time_point m_lastPaint{};
    std::string m_heldText;  // the last text, not yet in the pane
    bool m_textHeld = false;
};

// The program's GuiFeedback when it is the current feedback, else null.
GuiFeedback* CurrentGuiFeedback();

// A text of the core (8-bit; receiver names may carry Latin-1 bytes) for a window.
wxString FromCoreText(const std::string& text);

// What an import command holds while it talks to the receiver: the wait cursor,
// and every window disabled for input except the main frame's Cancel button
// and Esc, which stop the transfer. Other clicks and keys meanwhile are
// dropped, not kept for later, and the progress texts and whatever gets
// uncovered are still painted, except `heldWindow` (may be null), which is not
// repainted until the command is over.
class ReceiverBusy {
  public:
    // Also repaints what a dialog that just closed has uncovered.
    explicit ReceiverBusy(wxWindow* heldWindow);
    ~ReceiverBusy();

  private:
    wxBusyCursor m_wait;
    wxWindowDisabler m_disabler;
    wxWindowUpdateLocker m_held;
};
