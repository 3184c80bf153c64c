#pragma once
// How the core tells the user something. The core never opens a window: what the
// desktop program shows in a message box, or writes into the first status-bar
// pane, the core hands to the current UserFeedback. The desktop program binds it
// to message boxes and the status bar, the command-line tool to standard error,
// and the tests to a recorder.

#include <string>

class UserFeedback {
public:
    virtual ~UserFeedback() = default;
    // A message the user must see and acknowledge (a message box with an OK button).
    virtual void ShowMessage(const std::string& text) = 0;
    // A progress text for the first status-bar pane (" Transfering Waypoints 3 of 20").
    virtual void ShowProgress(const std::string& text) = 0;
    // True once the user asked to stop the running transfer (Esc or Cancel in the
    // desktop program). Transfers poll it between packets; a stopped transfer keeps
    // what arrived. Feedback that cannot be cancelled never asks.
    virtual bool CancelRequested() { return false; }
};

// The feedback that core operations report to. Never null: until a program sets
// its own, messages and progress go to standard error.
UserFeedback& Feedback();

// Makes `feedback` current and returns the one it replaces; nullptr restores the
// standard-error feedback.
UserFeedback* SetFeedback(UserFeedback* feedback);

// printf-style formatting into a std::string, for the system's message formats.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Shorthands for the two kinds of report.
void ShowMessage(const std::string& text);
void ShowProgress(const std::string& text);

// Makes a feedback current for the life of a scope (a command, a test).
class ScopedFeedback {
public:
    explicit ScopedFeedback(UserFeedback* feedback) : previous_(SetFeedback(feedback)) {}
    ~ScopedFeedback() { SetFeedback(previous_); }
    ScopedFeedback(const ScopedFeedback&) = delete;
    ScopedFeedback& operator=(const ScopedFeedback&) = delete;

private:
    UserFeedback* previous_;
};
