#include "cli/cli_feedback.h"

#include <unistd.h>

#include <cstdio>

CliFeedback::CliFeedback() : terminal_(isatty(STDERR_FILENO) == 1), scope_(this) {}

CliFeedback::~CliFeedback() { EndProgressLine(); }

void CliFeedback::EndProgressLine() {
    if (progressShown_ && terminal_) std::fputc('\n', stderr);
    progressShown_ = false;
}

void CliFeedback::ShowMessage(const std::string& text) {
    EndProgressLine();
    std::fprintf(stderr, "%s\n", text.c_str());
}

void CliFeedback::ShowProgress(const std::string& text) {
    if (terminal_) {
        // Carriage return and clear-to-end-of-line: one line that keeps changing.
        std::fprintf(stderr, "\r%s\x1b[K", text.c_str());
        std::fflush(stderr);
        progressShown_ = true;
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}
