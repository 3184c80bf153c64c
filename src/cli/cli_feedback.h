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
