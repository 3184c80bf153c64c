#pragma once
// Time keeping of the receiver's waits for its host.

#include <algorithm>
#include <chrono>

#include "sim_options.h"

// Milliseconds from now until `end`, 0 when it has passed.
inline int MsUntil(std::chrono::steady_clock::time_point end) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    end - std::chrono::steady_clock::now())
                    .count();
    return static_cast<int>(std::max<long long>(0, left));
}

// One wait for the acknowledgement of something just sent. It lasts the
// acknowledgement time-out, or the resend time when that is set and shorter;
// in that case running out means "send it again", otherwise "give up".
class AckWait {
  public:
    explicit AckWait(const SimOptions& options)
        : resend_(options.resendAfterMs > 0 && options.resendAfterMs < options.ackTimeoutMs),
          end_(std::chrono::steady_clock::now() +
               std::chrono::milliseconds(resend_ ? options.resendAfterMs : options.ackTimeoutMs)) {}

    int LeftMs() const { return MsUntil(end_); }
    bool ResendWhenOver() const { return resend_; }

  private:
    bool resend_;
    std::chrono::steady_clock::time_point end_;
};
