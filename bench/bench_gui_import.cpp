// CPU cost of one Garmin download in the desktop program against the same
// download through quorvex-cli, both in one run against one unpaced simulator:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" quorvex-bench-gui-import [--dataset NAME] [--runs N]
//
// NAME is what the simulator's --dataset takes (default generated:0,0,10000: a
// track log of 10,000 points in two tracks). Each run downloads waypoints,
// routes and the track log as lines:
// - quorvex-cli garmin --track-lines, a child process (standard error into a
//   file, as in a script): its user + system time from wait4, from exec to
//   exit: start-up, identification, the transfers and the save of the files.
// - the desktop program in this process, File > Import > Garmin with the same
//   choices (its dialogs answered at once): the user + system time of this
//   whole process (every thread) from getrusage(RUSAGE_SELF) around the import
//   command: the dialogs, identification, the transfers with their progress
//   texts, the layers built and the map painted after it. The program was
//   started before, outside the measurement.
// Prints each run, then the best of each and their ratio.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "dialogs/dialog_ids.h"
#include "gui_test_support.h"
#include "program_launch.h"
#include "view/command_ids.h"
#include "view/view_globals.h"

namespace {

double Seconds(const timeval& t) {
    return t.tv_sec + t.tv_usec / 1e6;
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Figures {
    bool ok = false;
    double wall = 0;
    double user = 0;
    double system = 0;
    int layers = 0;  // shapefile sets written (cli), layers made (desktop)
    int points = 0;  // points of the desktop's layers
    int paints = 0;  // paints of the desktop's status bar
};

Figures RunCli(const std::string& bin, const std::string& device, const std::string& out) {
    Figures f;
    const std::vector<std::string> arguments = {
        bin + "/quorvex-cli", "garmin", "--port", device, "--out", out, "--track-lines"};
    const std::string log = out + "/stderr.txt";
    const auto start = std::chrono::steady_clock::now();
    rusage usage;
    f.ok = RunToEnd(arguments, log, usage) == 0;
    f.wall = Since(start);
    f.user = Seconds(usage.ru_utime);
    f.system = Seconds(usage.ru_stime);
    for (const auto& entry : std::filesystem::directory_iterator(out))
        f.layers += entry.path().extension() == ".SHP";
    return f;
}

double CpuNow() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

Figures RunGui(double& dialogs) {
    Figures f;
    CQUORVEXDoc& doc = GuiTest::Doc();
    doc.Modify(false);
    GuiTest::Command(wxID_NEW);
    double confirmed = 0;
    DialogScript script;
    script
        .Then("Communication Parameters",
              [](wxDialog& d) {
                  Check(&d, kIdCom2);
                  Click(&d, wxID_OK);
              })
        .Then("GPS Interface", [&confirmed](wxDialog& d) {
            Check(&d, kIdTransferWaypoints, true);
            Check(&d, kIdTransferRoutes, true);
            Check(&d, kIdTracksAsLines, true);
            Check(&d, kIdTracksAsPoints, false);
            Check(&d, kIdMatchPictures, false);
            confirmed = CpuNow();
            Click(&d, wxID_OK);
        });
    const auto countPaint = [&f](wxPaintEvent& event) {
        ++f.paints;
        event.Skip();
    };
    g_pStatusBar->Bind(wxEVT_PAINT, countPaint);
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    GuiTest::Command(ID_IMPORT_GARMIN);  // returns once the map is painted
    f.wall = Since(start);
    getrusage(RUSAGE_SELF, &after);
    g_pStatusBar->Unbind(wxEVT_PAINT, countPaint);
    f.user = Seconds(after.ru_utime) - Seconds(before.ru_utime);
    f.system = Seconds(after.ru_stime) - Seconds(before.ru_stime);
    dialogs = confirmed - Seconds(before.ru_utime) - Seconds(before.ru_stime);
    f.layers = doc.m_geometryStore.layerCount;
    for (int k = 0; k < f.layers; ++k) f.points += doc.m_geometryStore.Layer(k).pointCount;
    f.ok = script.Done() && script.messages.empty() && script.unexpected.empty();
    if (!script.messages.empty()) std::fprintf(stderr, "message: %s\n", script.messages[0].c_str());
    return f;
}

void Print(const char* who, int run, const Figures& f) {
    std::printf("run %d %s: %s, wall %.3f s, cpu %.3f s (user %.3f, system %.3f), %d layers", run,
                who, f.ok ? "ok" : "FAILED", f.wall, f.user + f.system, f.user, f.system, f.layers);
    if (f.points > 0) std::printf(" of %d points, %d status bar paints", f.points, f.paints);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::string dataset = "generated:0,0,10000";
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dataset") == 0) dataset = argv[i + 1];
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
    }
    const std::string bin = ProgramDirectory();
    char pattern[] = "/tmp/quorvex-bench-XXXXXX";
    const char* work = mkdtemp(pattern);
    if (work == nullptr) return 1;
    // The program's remembered settings go to a scratch home, not the user's.
    setenv("HOME", work, 1);
    setenv("QUORVEX_BIN", bin.c_str(), 1);
    std::string device;
    const pid_t simulator = StartSimulator({bin + "/quorvex-gpssim", "--dataset", dataset}, device);
    if (simulator < 0) {
        std::fprintf(stderr, "could not start the simulator\n");
        return 1;
    }
    setenv("QUORVEX_COM2", device.c_str(), 1);
    if (!StartProgram(argv)) {
        std::fprintf(stderr, "no display: run under xvfb-run\n");
        return 1;
    }
    GuiTest::Pump(300);
    std::printf("dataset %s, unpaced: waypoints, routes, track log as lines\n", dataset.c_str());
    double bestCli = 0, bestGui = 0, bestDownload = 0;
    std::vector<double> ratios, downloadRatios;  // of each run's pair
    bool ok = true;
    for (int run = 1; run <= runs; ++run) {
        const std::string out = std::string(work) + "/run" + std::to_string(run);
        std::filesystem::create_directory(out);
        const Figures cli = RunCli(bin, device, out);
        double dialogs = 0;
        const Figures gui = RunGui(dialogs);
        Print("quorvex-cli", run, cli);
        Print("desktop   ", run, gui);
        const double c = cli.user + cli.system, g = gui.user + gui.system;
        std::printf("      desktop: cpu %.3f s up to the last dialog's OK, %.3f s after it\n",
                    dialogs, g - dialogs);
        ok = ok && cli.ok && gui.ok;
        bestCli = run == 1 ? c : std::min(bestCli, c);
        bestGui = run == 1 ? g : std::min(bestGui, g);
        bestDownload = run == 1 ? g - dialogs : std::min(bestDownload, g - dialogs);
        if (c > 0) {
            ratios.push_back(g / c);
            downloadRatios.push_back((g - dialogs) / c);
        }
    }
    std::printf("best cpu: quorvex-cli %.3f s; desktop %.3f s, of which after the last OK %.3f s\n",
                bestCli, bestGui, bestDownload);
    std::printf("desktop / cli: %.2f for the whole command, %.2f after the last OK\n",
                bestCli > 0 ? bestGui / bestCli : 0.0, bestCli > 0 ? bestDownload / bestCli : 0.0);
    // The two programs run one after the other, so each run's pair shares the
    // machine's load of the moment: the median of the pairs' ratios.
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    std::printf("median of the runs' ratios: %.2f for the whole command, %.2f after the last OK\n",
                median(ratios), median(downloadRatios));
    EndProgram();
    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);
    std::filesystem::remove_all(work);
    return ok ? 0 : 1;
}
