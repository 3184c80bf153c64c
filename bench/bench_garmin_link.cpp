// Benchmark of the Garmin link: the simulator sends a track log packet by
// packet, the host receives and acknowledges each with ReceiveData.
//
//   quorvex-bench-garmin-link [--points N] [--baud N] [--sim PATH]
//
//   quorvex-bench-garmin-link --turnaround N
//
// Without options it runs the standard cases: 20000 track points unpaced, 500
// track points with the simulator pacing the line at 9600 baud, and the host's
// turnaround. Each simulator case prints the packets exchanged, wall and host
// CPU time after the connect, and for a paced line the time the line itself
// needs for the bytes of both sides. The turnaround case feeds N whole packets
// from a thread of its own over a pseudo-terminal and times, for each, how long
// the host takes to answer with its ACK.

#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/user_feedback.h"
#include "garmin/garmin_device.h"

extern char** environ;

namespace {

class QuietFeedback : public UserFeedback {
  public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowProgress(const std::string&) override {}
    std::vector<std::string> messages;
};

double CpuSeconds() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string SimulatorBesideMe() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return "quorvex-gpssim";
    std::string self(path, static_cast<size_t>(n));
    return self.substr(0, self.rfind('/') + 1) + "quorvex-gpssim";
}

// The simulator as a child process; its first line of output names its device.
class Simulator {
  public:
    Simulator(const std::string& program, std::vector<std::string> arguments) {
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        arguments.insert(arguments.begin(), program);
        std::vector<char*> argv;
        for (auto& a : arguments) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        char c;
        while (pid_ > 0 && read(out[0], &c, 1) == 1 && c != '\n') device_ += c;
        pipe_ = out[0];  // kept open so the simulator's later output has a reader
    }
    ~Simulator() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (pipe_ >= 0) close(pipe_);
    }
    const std::string& Device() const { return device_; }

  private:
    pid_t pid_ = -1;
    int pipe_ = -1;
    std::string device_;
};

// Bytes of one frame on the wire, stuffing included.
long WireBytes(int id, int size, const unsigned char* data) {
    long bytes = 6 + size + (size == 0x10 ? 1 : 0);
    for (int i = 0; i < size; ++i) bytes += data[i] == 0x10 ? 1 : 0;
    return bytes + (GarminDevice::Checksum(id, size, data) == 0x10 ? 1 : 0);
}

long AckBytes(int id) {
    unsigned char ack[2] = {static_cast<unsigned char>(id), 0};
    return WireBytes(kPidAck, 2, ack);
}

int RunCase(const std::string& sim, int points, int baud) {
    std::vector<std::string> args = {"--dataset", "generated:0,0," + std::to_string(points),
                                     "--ack-timeout", "10000"};
    if (baud > 0) {
        args.push_back("--baud");
        args.push_back(std::to_string(baud));
    }
    Simulator simulator(sim, args);
    if (simulator.Device().empty()) {
        std::fprintf(stderr, "could not start %s\n", sim.c_str());
        return 1;
    }
    QuietFeedback feedback;
    ScopedFeedback scope(&feedback);
    GarminDevice gps;
    if (!gps.Connect(simulator.Device().c_str())) {
        std::fprintf(stderr, "no receiver: %s\n",
                     feedback.messages.empty() ? "" : feedback.messages[0].c_str());
        return 1;
    }

    auto wallStart = std::chrono::steady_clock::now();
    double cpuStart = CpuSeconds();
    unsigned char command[2] = {kCmdTransferTrackLog, 0};
    gps.SendWithAck(kPidCommand, command, 2);
    long lineBytes = WireBytes(kPidCommand, 2, command) + AckBytes(kPidCommand);
    long packets = 0;
    unsigned char data[GarminDevice::kPacketBufferSize];
    for (;;) {
        int size = gps.ReceiveData(data);
        if (size < 0) break;
        ++packets;
        lineBytes += WireBytes(gps.LastPacketId(), size, data) + AckBytes(gps.LastPacketId());
        if (gps.LastPacketId() == kPidTransferComplete) break;
    }
    double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    double cpu = CpuSeconds() - cpuStart;

    std::printf("%d track points, %s: %ld packets received and acknowledged\n", points,
                baud > 0 ? (std::to_string(baud) + " baud").c_str() : "unpaced", packets);
    std::printf("  wall %.3f s, host CPU %.3f s (%.2f %% of wall), %.1f us wall a packet\n", wall,
                cpu, 100.0 * cpu / wall, 1e6 * wall / static_cast<double>(packets));
    if (baud > 0) {
        double line = static_cast<double>(lineBytes) * 10.0 / baud;
        std::printf(
            "  line time for %ld bytes of both sides: %.3f s; wall exceeds it by %.2f %% "
            "(%.3f ms a packet)\n",
            lineBytes, line, 100.0 * (wall - line) / line,
            1e3 * (wall - line) / static_cast<double>(packets));
    }
    for (const auto& m : feedback.messages) std::printf("  message: %s\n", m.c_str());
    return 0;
}

int RunTurnaround(int packets) {
    int master = -1;
    int slave = -1;
    char name[256];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return 1;
    QuietFeedback feedback;
    ScopedFeedback scope(&feedback);
    GarminDevice gps;
    if (!gps.Port().Open(name, "9600,N,8,1")) return 1;

    // Two D301 track point packets, framed without stuffing, sent in turn: a
    // packet identical to the one before it would be taken for a resend.
    std::vector<unsigned char> frames[2];
    for (int variant = 0; variant < 2; ++variant) {
        std::vector<unsigned char> data(24);
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(0x20 + i);
        data[0] = static_cast<unsigned char>(data[0] + variant);
        std::vector<unsigned char>& frame = frames[variant];
        frame.push_back(0x10);
        frame.push_back(kPidTrackPoint);
        frame.push_back(24);
        for (unsigned char byte : data) frame.push_back(byte);
        frame.push_back(GarminDevice::Checksum(kPidTrackPoint, 24, data.data()));
        frame.push_back(0x10);
        frame.push_back(0x03);
    }
    std::vector<double> turnaround;
    std::thread peer([&] {
        for (int i = 0; i < packets; ++i) {
            auto sent = std::chrono::steady_clock::now();
            const std::vector<unsigned char>& frame = frames[i % 2];
            if (write(master, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
                return;
            unsigned char ack[16];
            size_t got = 0;
            while (got < 8) {
                ssize_t n = read(master, ack + got, 8 - got);
                if (n <= 0) return;
                got += static_cast<size_t>(n);
            }
            turnaround.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - sent)
                    .count());
        }
    });
    unsigned char buffer[GarminDevice::kPacketBufferSize];
    double cpuStart = CpuSeconds();
    for (int i = 0; i < packets; ++i)
        if (gps.ReceiveData(buffer) != 24) break;
    double cpu = CpuSeconds() - cpuStart;
    peer.join();
    close(master);
    close(slave);
    if (turnaround.empty()) return 1;
    std::sort(turnaround.begin(), turnaround.end());
    auto at = [&](double q) {
        return turnaround[std::min(
            turnaround.size() - 1,
            static_cast<size_t>(q * static_cast<double>(turnaround.size())))];
    };
    std::printf(
        "host turnaround, %zu packets of 24 bytes: median %.0f us, 99 %% %.0f us, "
        "max %.0f us; CPU of both threads %.1f us a packet\n",
        turnaround.size(), at(0.5), at(0.99), turnaround.back(),
        1e6 * cpu / static_cast<double>(turnaround.size()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string sim = SimulatorBesideMe();
    int points = -1;
    int baud = 0;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--points" && i + 1 < argc) {
            points = std::atoi(argv[++i]);
        } else if (option == "--baud" && i + 1 < argc) {
            baud = std::atoi(argv[++i]);
        } else if (option == "--turnaround" && i + 1 < argc) {
            return RunTurnaround(std::atoi(argv[++i]));
        } else if (option == "--sim" && i + 1 < argc) {
            sim = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: %s [--points N] [--baud N] [--sim PATH] | --turnaround N\n",
                         argv[0]);
            return 2;
        }
    }
    if (points >= 0) return RunCase(sim, points, baud);
    int status = RunCase(sim, 20000, 0);
    if (status == 0) status = RunCase(sim, 500, 9600);
    return status != 0 ? status : RunTurnaround(20000);
}
