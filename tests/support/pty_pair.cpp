#include "pty_pair.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

int MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - start)
                                .count());
}

}  // namespace

PtyPair::PtyPair() {
    char name[256] = {0};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        std::abort();
    }
    slavePath_ = name;
    // Raw from the start, so nothing the test sends before the port is opened
    // is echoed or edited by the line discipline.
    termios tio;
    tcgetattr(slave_, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave_, TCSANOW, &tio);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
    JoinPeer();
    CloseMaster();
    CloseSlave();
}

bool PtyPair::Send(const Bytes& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        if (master_ < 0) return false;
        ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd pfd = {master_, POLLOUT, 0};
            if (poll(&pfd, 1, 2000) <= 0) return false;
        } else {
            return false;
        }
    }
    return true;
}

bool PtyPair::Send(const std::string& text) {
    return Send(Bytes(text.begin(), text.end()));
}

Bytes PtyPair::Receive(size_t count, int timeoutMs) {
    Bytes got;
    auto start = std::chrono::steady_clock::now();
    while (got.size() < count && master_ >= 0) {
        unsigned char chunk[512];
        size_t want = count - got.size() < sizeof(chunk) ? count - got.size() : sizeof(chunk);
        ssize_t n = read(master_, chunk, want);
        if (n > 0) {
            got.insert(got.end(), chunk, chunk + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        int left = timeoutMs - MillisecondsSince(start);
        if (left <= 0) break;
        if (n < 0 && errno == EAGAIN) {
            pollfd pfd = {master_, POLLIN, 0};
            poll(&pfd, 1, left);
        } else {
            // EIO: no one holds the slave side open at the moment; that is silence too.
            poll(nullptr, 0, left < 5 ? left : 5);
        }
    }
    return got;
}

Bytes PtyPair::ReceiveUntilQuiet(int quietMs) {
    Bytes got;
    for (;;) {
        Bytes more = Receive(4096, quietMs);
        if (more.empty()) return got;
        got.insert(got.end(), more.begin(), more.end());
    }
}

void PtyPair::CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
}

void PtyPair::CloseSlave() {
    if (slave_ >= 0) close(slave_);
    slave_ = -1;
}

void PtyPair::StartPeer(std::function<void(PtyPair&)> script) {
    JoinPeer();
    peer_ = std::thread([this, script] { script(*this); });
}

void PtyPair::JoinPeer() {
    if (peer_.joinable()) peer_.join();
}
