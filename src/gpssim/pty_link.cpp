#include "pty_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "sim_log.h"

namespace {

volatile std::sig_atomic_t s_stop = 0;

// Waits are cut into slices so that a stop request is seen quickly.
constexpr int kSliceMs = 50;
// A host that does not read for this long has gone away: what it left unread
// is thrown away so that the simulator never blocks on a full line.
constexpr int kStalledWriteMs = 3000;

}  // namespace

bool StopRequested() {
    return s_stop != 0;
}
void RequestStop() {
    s_stop = 1;
}

PtyLink::~PtyLink() {
    Close();
}

bool PtyLink::Open(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        Close();
        return false;
    }
    const char* name = ptsname(master_);
    if (!name) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        Close();
        return false;
    }
    slavePath_ = name;
    slave_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave_ < 0) {
        error = "cannot open " + slavePath_ + ": " + std::strerror(errno);
        Close();
        return false;
    }
    // A receiver's line is 8 bits raw: no echo, no line editing, no CR/LF mapping,
    // whatever the host sets later.
    termios tio{};
    if (tcgetattr(slave_, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetspeed(&tio, B9600);
        tcsetattr(slave_, TCSANOW, &tio);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    return true;
}

bool PtyLink::MakeLink(const std::string& path, std::string& error) {
    unlink(path.c_str());
    if (symlink(slavePath_.c_str(), path.c_str()) != 0) {
        error = "cannot make the link " + path + ": " + std::strerror(errno);
        return false;
    }
    linkPath_ = path;
    return true;
}

void PtyLink::Close() {
    if (!linkPath_.empty()) {
        unlink(linkPath_.c_str());
        linkPath_.clear();
    }
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
    slave_ = master_ = -1;
    rx_.clear();
    rxArrival_.clear();
    rxPos_ = 0;
}

void PtyLink::CloseAfterDrain(int timeoutMs) {
    // Bytes written to the master reach the slave's queue a moment later, so the
    // queue must be seen empty twice, some time after the last write.
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int emptySeen = 0;
    while (slave_ >= 0 && emptySeen < 2 && Clock::now() < deadline && !StopRequested()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        int queued = 0;
        if (ioctl(slave_, FIONREAD, &queued) != 0) break;
        emptySeen = queued > 0 ? 0 : emptySeen + 1;
    }
    Close();
}

void PtyLink::SetBaud(int baud) {
    byteTime_ = baud > 0 ? std::chrono::duration_cast<Clock::duration>(
                               std::chrono::nanoseconds(10000000000LL / baud))
                         : Clock::duration{0};
}

// The simulator's own descriptor keeps the slave open, so the exclusive mode a
// host sets on the device would outlive the host and lock out the next one.
// While the simulator waits for input it clears it now and then.
void PtyLink::ReleaseExclusive() {
    auto now = Clock::now();
    if (slave_ < 0 || now - lastExclusiveClear_ < std::chrono::milliseconds(200)) return;
    lastExclusiveClear_ = now;
    ioctl(slave_, TIOCNXCL);
}

bool PtyLink::FillBuffer(int timeoutMs) {
    if (master_ < 0) return false;
    if (rxPos_ > 0) {
        rx_.erase(rx_.begin(), rx_.begin() + rxPos_);
        rxArrival_.erase(rxArrival_.begin(), rxArrival_.begin() + rxPos_);
        rxPos_ = 0;
    }
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (StopRequested()) return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        int wait =
            static_cast<int>(std::max<long long>(0, std::min<long long>(left.count(), kSliceMs)));
        pollfd p{master_, POLLIN, 0};
        int ready = poll(&p, 1, wait);
        if (ready > 0) {
            uint8_t chunk[4096];
            ssize_t n = (p.revents & POLLIN) ? read(master_, chunk, sizeof chunk) : -1;
            if (n > 0) {
                auto now = Clock::now();
                for (ssize_t i = 0; i < n; ++i) {
                    rx_.push_back(chunk[i]);
                    if (byteTime_.count() > 0) {
                        if (rxNext_ < now) rxNext_ = now;
                        rxNext_ += byteTime_;
                        rxArrival_.push_back(rxNext_);
                    } else {
                        rxArrival_.push_back(now);
                    }
                }
                if (Verbose()) SimLogBytes("from host", std::vector<uint8_t>(chunk, chunk + n));
                return true;
            }
            // Hang-up or a failed read: nobody is there, wait out the slice.
            std::this_thread::sleep_for(std::chrono::milliseconds(wait > 0 ? wait : 1));
        }
        if (ready == 0) ReleaseExclusive();
        if (Clock::now() >= deadline) return false;
    }
}

int PtyLink::ReadByte(int timeoutMs) {
    if (rxPos_ >= rx_.size() && !FillBuffer(timeoutMs)) return -1;
    if (byteTime_.count() > 0) {
        auto at = rxArrival_[rxPos_];
        while (Clock::now() < at && !StopRequested())
            std::this_thread::sleep_until(
                std::min(at, Clock::now() + std::chrono::milliseconds(kSliceMs)));
    }
    return rx_[rxPos_++];
}

bool PtyLink::WriteNow(const uint8_t* data, size_t size) {
    int stalledMs = 0;
    bool flushed = false;
    while (size > 0) {
        if (master_ < 0 || StopRequested()) return false;
        ssize_t n = write(master_, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
            stalledMs = 0;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
        pollfd p{master_, POLLOUT, 0};
        if (poll(&p, 1, kSliceMs) <= 0) stalledMs += kSliceMs;
        if (stalledMs >= kStalledWriteMs) {
            if (flushed) return false;
            // Nobody reads the device: drop what waits in it and try once more.
            SimLog("host does not read; discarding %s", "its unread input");
            tcflush(slave_, TCIFLUSH);
            flushed = true;
            stalledMs = 0;
        }
    }
    return true;
}

bool PtyLink::Write(const std::vector<uint8_t>& bytes) {
    if (master_ < 0) return false;
    if (Verbose()) SimLogBytes("to host", bytes);
    if (byteTime_.count() == 0) return WriteNow(bytes.data(), bytes.size());
    // Each byte reaches the host when its last bit has gone over the line, and
    // the bytes of one write follow each other back to back, as a UART sends
    // them: the schedule starts afresh only when the line was idle. Bytes whose
    // time has passed (after a late wake-up) go out together, so sleeping late
    // never slows the line down.
    auto now = Clock::now();
    if (txNext_ < now) txNext_ = now;
    size_t sent = 0;
    while (sent < bytes.size()) {
        if (StopRequested()) return false;
        now = Clock::now();
        size_t due = 0;
        while (sent + due < bytes.size() && txNext_ + byteTime_ * (due + 1) <= now) ++due;
        if (due == 0) {
            std::this_thread::sleep_until(
                std::min(txNext_ + byteTime_, now + std::chrono::milliseconds(kSliceMs)));
            continue;
        }
        if (!WriteNow(bytes.data() + sent, due)) return false;
        sent += due;
        txNext_ += byteTime_ * static_cast<int>(due);
    }
    return true;
}
