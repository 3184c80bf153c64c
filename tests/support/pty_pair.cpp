#include "pty_pair.h"

#include "host_line.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                deadline - std::chrono::steady_clock::now())
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

void PtyPair::Send(const Bytes& bytes) {
    HostLine(master_).Write(bytes);
}

void PtyPair::Send(const std::string& text) {
    HostLine(master_).Write(text);
}

Bytes PtyPair::Receive(size_t count, int timeoutMs) {
    HostLine line(master_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    Bytes got;
    for (int b; got.size() < count && (b = line.ReadByte(MillisecondsUntil(deadline))) >= 0;)
        got.push_back(static_cast<unsigned char>(b));
    return got;
}

Bytes PtyPair::ReceiveUntilQuiet(int quietMs) {
    HostLine line(master_);
    Bytes got;
    for (int b; (b = line.ReadByte(quietMs)) >= 0;) got.push_back(static_cast<unsigned char>(b));
    return got;
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
