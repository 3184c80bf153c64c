#include "cli/cli_feedback.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A terminal line is redrawn at most this often (and at a transfer's end).
constexpr std::chrono::milliseconds kRedrawInterval{100};

struct Progress {
    std::string what;
    long count = 0;
    long total = 0;
    bool numbered = false;  // the text ends in a number but gives no total
};

// " Transfering Track Log as Points 380 of 382" -> {"Track Log as Points", 380,
// 382}. " Transfering Routes 17" (a Magellan download, whose number is the
// record's place in its layer, not a count) -> {"Routes", numbered}. A text of
// another shape is its own "what" with no count.
Progress ParseProgress(const std::string& text) {
    Progress p;
    std::string rest = text;
    rest.erase(0, rest.find_first_not_of(' '));
    const char kVerb[] = "Transfering ";
    if (rest.compare(0, sizeof kVerb - 1, kVerb) == 0) rest.erase(0, sizeof kVerb - 1);
    p.what = rest;
    const size_t of = rest.rfind(" of ");
    if (of == std::string::npos) {
        const size_t space = rest.rfind(' ');
        if (space != std::string::npos && space + 1 < rest.size() &&
            rest.find_first_not_of("0123456789", space + 1) == std::string::npos) {
            p.what = rest.substr(0, space);
            p.numbered = true;
        }
        return p;
    }
    const size_t space = rest.rfind(' ', of - 1);
    if (space == std::string::npos || of == 0) return p;
    char* end = nullptr;
    const long count = std::strtol(rest.c_str() + space + 1, &end, 10);
    if (end != rest.c_str() + of) return p;
    const long total = std::strtol(rest.c_str() + of + 4, &end, 10);
    if (*end != '\0') return p;
    p.what = rest.substr(0, space);
    p.count = count;
    p.total = total;
    return p;
}

std::string Minutes(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

CliFeedback::CliFeedback(Level level) : CliFeedback(level, isatty(STDERR_FILENO) == 1) {}

CliFeedback::CliFeedback(Level level, bool terminal)
    : level_(level), terminal_(terminal), scope_(this) {}

CliFeedback::~CliFeedback() { FinishTransfer(); }

std::string CliFeedback::TransferLine(bool finished) const {
    const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    char text[256];
    if (total_ <= 0 && !counting_) {
        if (!finished) return what_;
        std::snprintf(text, sizeof text, "%s in %.1f s", what_.c_str(), seconds);
        return text;
    }
    if (total_ <= 0) {
        if (finished)
            std::snprintf(text, sizeof text, "%s %ld in %.1f s", what_.c_str(), count_, seconds);
        else
            std::snprintf(text, sizeof text, "%s %ld  %.0f/s", what_.c_str(), count_,
                          seconds > 0.0 ? count_ / seconds : 0.0);
        return text;
    }
    const int percent = static_cast<int>(100.0 * count_ / total_);
    if (finished) {
        std::snprintf(text, sizeof text, "%s %ld of %ld (%d%%) in %.1f s", what_.c_str(), count_,
                      total_, percent, seconds);
        return text;
    }
    const double rate = seconds > 0.0 ? count_ / seconds : 0.0;
    std::string left = "--:--";
    if (rate > 0.0 && count_ <= total_) left = Minutes((total_ - count_) / rate);
    std::snprintf(text, sizeof text, "%s %ld of %ld  %3d%%  %.0f/s  %s left", what_.c_str(),
                  count_, total_, percent, rate, left.c_str());
    return text;
}

void CliFeedback::EndProgressLine() {
    if (progressShown_) std::fputc('\n', stderr);
    progressShown_ = false;
}

void CliFeedback::FinishTransfer() {
    if (!transferOpen_) return;
    transferOpen_ = false;
    if (level_ != kNormal) return;
    if (terminal_) {
        // The line ends as it stood, with the final count and the time taken.
        std::fprintf(stderr, "\r%s\x1b[K", TransferLine(true).c_str());
        progressShown_ = true;
        EndProgressLine();
    } else {
        std::fprintf(stderr, "%s\n", TransferLine(true).c_str());
    }
    std::fflush(stderr);
}

void CliFeedback::ShowMessage(const std::string& text) {
    EndProgressLine();
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

void CliFeedback::ShowProgress(const std::string& text) {
    if (level_ == kVerbose) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return;
    }
    const Progress p = ParseProgress(text);
    // Another kind of record, or a count that starts again, is the next transfer.
    if (transferOpen_ && (p.what != what_ || (!p.numbered && p.count < count_))) FinishTransfer();
    const auto now = Clock::now();
    if (!transferOpen_) {
        transferOpen_ = true;
        what_ = p.what;
        started_ = now;
        lastDrawn_ = Clock::time_point{};
        count_ = 0;
    }
    // A text without a total reports one more record each time.
    count_ = p.numbered ? count_ + 1 : p.count;
    total_ = p.total;
    counting_ = p.numbered;
    if (level_ == kQuiet || !terminal_) return;
    if (now - lastDrawn_ < kRedrawInterval && count_ != total_) return;
    lastDrawn_ = now;
    // Carriage return and clear-to-end-of-line: one line that keeps changing.
    std::fprintf(stderr, "\r%s\x1b[K", TransferLine(false).c_str());
    std::fflush(stderr);
    progressShown_ = true;
}

CliFeedback::Level TakeOutputOptions(int& argc, char** argv, bool* versionWanted) {
    CliFeedback::Level level = CliFeedback::kNormal;
    *versionWanted = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quiet") == 0) {
            level = CliFeedback::kQuiet;
        } else if (std::strcmp(argv[i], "--verbose") == 0) {
            level = CliFeedback::kVerbose;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            *versionWanted = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return level;
}
