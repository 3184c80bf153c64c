#pragma once
// The desktop program's UserFeedback: messages in a message box with an OK
// button, progress texts in the first status-bar pane, shown at once.

#include "core/user_feedback.h"

class GuiFeedback : public UserFeedback {
  public:
    void ShowMessage(const std::string& text) override;
    void ShowProgress(const std::string& text) override;
};
