#include "host_line.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

HostLine::HostLine(const std::string& device) {
    fd_ = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) return;
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd_, TCSANOW, &tio);
}

HostLine::~HostLine() {
    if (owned_ && fd_ >= 0) close(fd_);
}

void HostLine::Write(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return;  // the line is gone
        // A reader slowed by a loaded machine may leave the line full for a while.
        pollfd p{fd_, POLLOUT, 0};
        if (poll(&p, 1, 10000) <= 0 || !(p.revents & POLLOUT)) return;
    }
}

static int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    return static_cast<int>(duration_cast<milliseconds>(deadline - steady_clock::now()).count());
}

int HostLine::ReadByte(int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int left = MillisecondsUntil(deadline);
        pollfd p{fd_, POLLIN, 0};
        if (fd_ < 0 || poll(&p, 1, left > 0 ? left : 0) <= 0 || !(p.revents & POLLIN)) return -1;
        uint8_t b;
        ssize_t n = read(fd_, &b, 1);
        if (n == 1) return b;
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) return -1;  // the line is gone
    }
}

uint8_t FrameChecksum(int id, const std::vector<uint8_t>& data) {
    unsigned sum = static_cast<unsigned>(id) + static_cast<unsigned>(data.size());
    for (uint8_t b : data) sum += b;
    return static_cast<uint8_t>(256 - (sum & 0xFF));
}

std::vector<uint8_t> GarminFrame(int id, const std::vector<uint8_t>& data, int checksumDelta) {
    std::vector<uint8_t> body = {static_cast<uint8_t>(data.size())};
    body.insert(body.end(), data.begin(), data.end());
    body.push_back(static_cast<uint8_t>(FrameChecksum(id, data) + checksumDelta));
    std::vector<uint8_t> frame = {0x10, static_cast<uint8_t>(id)};
    for (uint8_t b : body) {
        frame.push_back(b);
        if (b == 0x10) frame.push_back(b);
    }
    frame.insert(frame.end(), {0x10, 0x03});
    return frame;
}

std::vector<uint8_t> CapabilityData(const std::vector<std::string>& entries) {
    std::vector<uint8_t> data;
    for (const auto& entry : entries) {
        int number = std::atoi(entry.c_str() + 1);
        data.insert(data.end(), {static_cast<uint8_t>(entry[0]), static_cast<uint8_t>(number),
                                 static_cast<uint8_t>(number >> 8)});
    }
    return data;
}

std::vector<uint8_t> ProductData(int productId, const std::string& description) {
    std::vector<uint8_t> data = {static_cast<uint8_t>(productId),
                                 static_cast<uint8_t>(productId >> 8), 0x38, 0x01};
    data.insert(data.end(), description.begin(), description.end());
    return data;
}

WirePacket HostLine::ReadPacket(int timeoutMs) {
    WirePacket p;
    int b;
    while ((b = ReadByte(timeoutMs)) >= 0 && b != 0x10)
        p.skipped.push_back(static_cast<uint8_t>(b));
    if (b < 0) return p;
    p.id = ReadByte(500);
    auto stuffed = [&]() {
        int v = ReadByte(500);
        if (v == 0x10) {
            p.hadStuffing = true;
            if (ReadByte(500) != 0x10) return -1;
        }
        return v;
    };
    int size = stuffed();
    if (p.id < 0 || size < 0) return p;
    p.claimedSize = size;
    for (int i = 0; i < size; ++i) {
        int v = stuffed();
        if (v < 0) return p;
        p.data.push_back(static_cast<uint8_t>(v));
    }
    int checksum = stuffed();
    p.checksumOk = checksum == FrameChecksum(p.id, p.data);
    p.framed = checksum >= 0 && ReadByte(500) == 0x10 && ReadByte(500) == 0x03;
    return p;
}

unsigned HostLine::Checksum(const std::string& text) {
    unsigned sum = 0;
    for (char c : text) {
        if (c == '*') break;
        if (c != '$') sum ^= static_cast<unsigned char>(c);
    }
    return sum;
}

std::string Sentence(const std::string& body) {
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", HostLine::Checksum(body));
    return body + tail;
}

std::string AcknowledgementOf(const std::string& line) {
    char body[32];
    std::snprintf(body, sizeof body, "$PMGNCSM,%02X", HostLine::Checksum(line));
    return Sentence(body);
}

std::string HostLine::ReadLine(int timeoutMs) {
    std::string line;
    int b;
    while ((b = ReadByte(line.empty() ? timeoutMs : 1000)) >= 0 && b != '\n')
        line += static_cast<char>(b);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string TextAt(const std::vector<uint8_t>& d, size_t at) {
    std::string s;
    for (size_t i = at; i < d.size() && d[i] != 0; ++i) s += static_cast<char>(d[i]);
    return s;
}

std::string SentenceField(const std::string& line, size_t n) {
    size_t start = 0;
    for (size_t i = 0; i < n; ++i) {
        start = line.find(',', start);
        if (start == std::string::npos) return "";
        ++start;
    }
    size_t end = line.find_first_of(",*", start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

PtyPair::PtyPair() : HostLine(-1) {
    char name[256] = {0};
    if (openpty(&fd_, &slave_, name, nullptr, nullptr) != 0) {
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
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
    JoinPeer();
    CloseMaster();
    CloseSlave();
}

Bytes PtyPair::Receive(size_t count, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    Bytes got;
    for (int b; got.size() < count && (b = ReadByte(MillisecondsUntil(deadline))) >= 0;)
        got.push_back(static_cast<unsigned char>(b));
    return got;
}

Bytes PtyPair::ReceiveUntilQuiet(int quietMs) {
    Bytes got;
    for (int b; (b = ReadByte(quietMs)) >= 0;) got.push_back(static_cast<unsigned char>(b));
    return got;
}

void PtyPair::CloseMaster() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
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
