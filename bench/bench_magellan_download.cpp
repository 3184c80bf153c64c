// Benchmark of a Magellan download from quorvex-gpssim: waypoints, routes and
// track log in one session, as the import command runs them.
//
//   quorvex-bench-magellan-download [--dataset NAME] [--baud N] [--sim PATH]
//
// NAME is what the simulator's --dataset takes (default generated:2000,50,20000);
// --baud paces the simulator's bytes (default: unpaced). Prints wall time and CPU
// time of the download (after the connect), the CPU share of the wall time, and
// the peak resident memory of this process.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/user_feedback.h"
#include "layers/attribute_store.h"
#include "layers/geometry_store.h"
#include "magellan/magellan_device.h"
#include "program_launch.h"

namespace {

// Keeps messages (they are printed at the end) and counts progress texts.
class QuietFeedback : public UserFeedback {
  public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowProgress(const std::string&) override { ++progressTexts; }
    std::vector<std::string> messages;
    long progressTexts = 0;
};

double CpuSeconds() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dataset = "generated:2000,50,20000";
    std::string baud;
    std::string simulator = ProgramDirectory() + "/quorvex-gpssim";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dataset") == 0)
            dataset = argv[i + 1];
        else if (std::strcmp(argv[i], "--baud") == 0)
            baud = argv[i + 1];
        else if (std::strcmp(argv[i], "--sim") == 0)
            simulator = argv[i + 1];
    }

    std::vector<std::string> arguments = {simulator, "--dataset", dataset};
    if (!baud.empty()) arguments.insert(arguments.end(), {"--baud", baud});
    std::string device;
    const pid_t pid = StartSimulator(arguments, device);
    if (pid < 0) {
        std::fprintf(stderr, "could not start %s\n", simulator.c_str());
        return 1;
    }

    QuietFeedback feedback;
    SetFeedback(&feedback);
    GeometryStore geometry;
    AttributeStore attributes;
    // The document's new-document step: empty stores that merge only equal positions.
    geometry.Clear();
    attributes.Clear();
    int status = 0;
    {
        MagellanDevice gps;
        const std::string settings =
            "baud=" + (baud.empty() ? std::string("4800") : baud) + " parity=N data=8 stop=1";
        if (!gps.Connect(device.c_str(), settings.c_str())) {
            status = 1;
        } else {
            const auto start = std::chrono::steady_clock::now();
            const double cpuStart = CpuSeconds();
            gps.TransferWaypoints(geometry, attributes, "Waypoints");
            gps.TransferRoutes(geometry, attributes, "Routes");
            gps.TransferTracks(geometry, attributes, "Tracks");
            geometry.ComputeTotalExtent();
            const double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double cpu = CpuSeconds() - cpuStart;
            rusage usage;
            getrusage(RUSAGE_SELF, &usage);

            std::printf("dataset %s, %s\n", dataset.c_str(),
                        baud.empty() ? "unpaced" : ("paced at " + baud + " baud").c_str());
            std::printf("waypoints %d, route edges %d, track points %d, track edges %d\n",
                        geometry.Layer(0).pointCount, geometry.Layer(1).vertexCount,
                        geometry.Layer(2).pointCount, geometry.Layer(2).vertexCount);
            std::printf("wall %.3f s, cpu %.3f s (%.1f %% of wall), peak rss %ld KiB\n", wall, cpu,
                        wall > 0 ? 100.0 * cpu / wall : 0.0, usage.ru_maxrss);
            std::printf("progress texts %ld, messages %zu\n", feedback.progressTexts,
                        feedback.messages.size());
            for (const std::string& m : feedback.messages) std::printf("  %s\n", m.c_str());
        }
    }
    SetFeedback(nullptr);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return status;
}
