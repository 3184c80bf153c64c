#pragma once
// A UserFeedback that keeps every text, made current for the life of the object.

#include <string>
#include <vector>

#include "core/user_feedback.h"

class RecordingFeedback : public UserFeedback {
public:
    RecordingFeedback() : scope_(this) {}

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowProgress(const std::string& text) override { progress.push_back(text); }

    // True when some message contains `fragment`.
    bool HasMessage(const std::string& fragment) const {
        for (const auto& m : messages)
            if (m.find(fragment) != std::string::npos) return true;
        return false;
    }

    // The user stops the transfer once this many progress texts were shown (-1: never).
    bool CancelRequested() override {
        return cancelAfterProgress >= 0 && progress.size() >= size_t(cancelAfterProgress);
    }

    std::vector<std::string> messages;
    std::vector<std::string> progress;
    int cancelAfterProgress = -1;

private:
    ScopedFeedback scope_;
};
