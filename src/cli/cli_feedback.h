#pragma once
// Messages and progress of the core on standard error. Messages: one per line,
// as they occur. Progress ("Transfering Waypoints 3 of 20"), by level:
//   normal, on a terminal: one line per transfer that updates in place (what,
//     count of total, percent, rate, time left);
//   normal, elsewhere (a pipe, a log): one line per finished transfer;
//   quiet: none; verbose: every progress text on a line of its own.

#include <chrono>
#include <string>

#include "core/user_feedback.h"

class CliFeedback : public UserFeedback {
public:
    enum Level { kQuiet, kNormal, kVerbose };

    explicit CliFeedback(Level level = kNormal);
    // For tests: `terminal` instead of asking whether stderr is one.
    CliFeedback(Level level, bool terminal);
    ~CliFeedback() override;
    void ShowMessage(const std::string& text) override;
    void ShowProgress(const std::string& text) override;

private:
    using Clock = std::chrono::steady_clock;
    // The line of the running transfer, with its rate and time left when it
    // is still going.
    std::string TransferLine(bool finished) const;
    void EndProgressLine();
    void FinishTransfer();

    Level level_;
    bool terminal_;
    bool progressShown_ = false;  // a line updating in place is on the terminal
    bool transferOpen_ = false;   // a transfer has reported and not finished
    std::string what_;            // "Waypoints"
    long count_ = 0;
    long total_ = 0;
    bool counting_ = false;  // texts without a total, each one record more
    Clock::time_point started_;
    Clock::time_point lastDrawn_;
    ScopedFeedback scope_;
};

// Takes --quiet, --verbose and --version out of the arguments (they may stand
// anywhere) and reports them. Returns the level.
CliFeedback::Level TakeOutputOptions(int& argc, char** argv, bool* versionWanted);

// Counts the messages shown while it exists and passes every text on to the
// feedback it replaces, so that a command can tell whether a transfer reported
// trouble.
class MessageCounter : public UserFeedback {
public:
    MessageCounter() : next_(Feedback()), scope_(this) {}
    void ShowMessage(const std::string& text) override {
        ++count_;
        next_.ShowMessage(text);
    }
    void ShowProgress(const std::string& text) override { next_.ShowProgress(text); }
    int Count() const { return count_; }

private:
    UserFeedback& next_;
    int count_ = 0;
    ScopedFeedback scope_;
};
