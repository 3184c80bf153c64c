// Benchmark of quorvex-cli garmin against quorvex-gpssim: a whole run of the
// program (connect and identify, waypoints, routes, the track log as lines and
// as points, the save into a directory), measured from outside as a user sees it.
//
//   quorvex-bench-garmin-download [--dataset NAME] [--profile NAME] [--baud N] [--runs N]
//
// NAME is what the simulator's --dataset takes (default generated:2000,2,19998:
// 2,000 waypoints, two routes of 10 waypoints, two tracks of 9,999 points, the
// longest line the shapefile writer takes: generated:2000,2,20000 makes tracks
// of 10,000 points, which the save refuses, exit status 3); --baud paces the
// simulator (default: unpaced). For each run prints the wall time, the CPU time (user and
// system) and the peak resident memory of quorvex-cli, and the bytes it wrote.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "program_launch.h"

namespace {

struct RunFigures {
    int status = -1;
    double wall = 0;
    double cpu = 0;
    long peakKiB = 0;
    int messageLines = 0;
};

// Runs quorvex-cli with its standard error into `log`; its own resource usage.
RunFigures RunCli(const std::vector<std::string>& arguments, const std::string& log) {
    RunFigures figures;
    const auto start = std::chrono::steady_clock::now();
    rusage usage;
    figures.status = RunToEnd(arguments, log, usage);
    figures.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    figures.peakKiB = usage.ru_maxrss;
    // Progress lines start with a blank; the rest are the identification and messages.
    if (FILE* f = std::fopen(log.c_str(), "r")) {
        char line[1024];
        while (std::fgets(line, sizeof line, f))
            if (line[0] != ' ') ++figures.messageLines;
        std::fclose(f);
    }
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dataset = "generated:2000,2,19998";
    std::string profile = "current";
    std::string baud;
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dataset") == 0) dataset = argv[i + 1];
        if (std::strcmp(argv[i], "--profile") == 0) profile = argv[i + 1];
        if (std::strcmp(argv[i], "--baud") == 0) baud = argv[i + 1];
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
    }
    const std::string bin = ProgramDirectory();
    std::vector<std::string> sim = {bin + "/quorvex-gpssim", "--dataset", dataset, "--profile",
                                    profile};
    if (!baud.empty()) sim.insert(sim.end(), {"--baud", baud});
    std::string device;
    const pid_t simPid = StartSimulator(sim, device);
    if (simPid < 0) {
        std::fprintf(stderr, "could not start %s\n", sim[0].c_str());
        return 1;
    }

    namespace fs = std::filesystem;
    char pattern[] = "/tmp/quorvex-bench-XXXXXX";
    const char* work = mkdtemp(pattern);
    if (work == nullptr) return 1;
    std::printf("dataset %s, profile %s, %s\n", dataset.c_str(), profile.c_str(),
                baud.empty() ? "unpaced" : ("paced at " + baud + " baud").c_str());
    int failures = 0;
    for (int run = 1; run <= runs; ++run) {
        const fs::path out = fs::path(work) / ("run" + std::to_string(run));
        fs::create_directory(out);
        const RunFigures f = RunCli({bin + "/quorvex-cli", "garmin", "--port", device, "--out",
                                     out.string(), "--track-lines", "--track-points"},
                                    (fs::path(work) / "stderr.txt").string());
        std::uintmax_t bytes = 0;
        int files = 0;
        for (const auto& entry : fs::directory_iterator(out)) {
            bytes += entry.file_size();
            ++files;
        }
        std::printf(
            "run %d: exit %d, wall %.3f s, cpu %.3f s (%.1f %% of wall), peak rss %ld KiB, "
            "%d files of %ju bytes, %d lines besides progress\n",
            run, f.status, f.wall, f.cpu, f.wall > 0 ? 100.0 * f.cpu / f.wall : 0.0, f.peakKiB,
            files, bytes, f.messageLines);
        if (f.status != 0) ++failures;
    }
    fs::remove_all(work);
    kill(simPid, SIGTERM);
    waitpid(simPid, nullptr, 0);
    return failures == 0 ? 0 : 1;
}
