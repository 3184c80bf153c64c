#include "core/user_feedback.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

class StandardErrorFeedback : public UserFeedback {
public:
    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void ShowProgress(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

StandardErrorFeedback s_standardError;
UserFeedback* s_current = &s_standardError;

}  // namespace

UserFeedback& Feedback() { return *s_current; }

UserFeedback* SetFeedback(UserFeedback* feedback) {
    UserFeedback* previous = s_current;
    s_current = feedback ? feedback : &s_standardError;
    return previous == &s_standardError ? nullptr : previous;
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(again);
    return text;
}

void ShowMessage(const std::string& text) { Feedback().ShowMessage(text); }
void ShowProgress(const std::string& text) { Feedback().ShowProgress(text); }
