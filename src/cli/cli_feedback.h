#pragma once
// Messages and progress of the core on standard error: messages one per line,
// progress as one updating line when standard error is a terminal.

#include "core/user_feedback.h"

class CliFeedback : public UserFeedback {
public:
    CliFeedback();
    ~CliFeedback() override;
    void ShowMessage(const std::string& text) override;
    void ShowProgress(const std::string& text) override;

private:
    void EndProgressLine();
    bool terminal_;
    bool progressShown_ = false;
    ScopedFeedback scope_;
};

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
