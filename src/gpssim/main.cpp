// quorvex-gpssim: a simulated Garmin and Magellan receiver on a pseudo-terminal.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "dataset.h"
#include "garmin_profiles.h"
#include "garmin_session.h"
#include "line_faults.h"
#include "magellan_session.h"
#include "pty_link.h"
#include "sim_log.h"
#include "sim_options.h"
#include "trace_replay.h"

namespace {

void OnStopSignal(int) {
    RequestStop();
}

void InstallSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

bool LoadDataset(const std::string& name, SimDataset& data, std::string& error) {
    bool isFile = name.size() > 5 && name.compare(name.size() - 5, 5, ".json") == 0;
    return isFile ? LoadDatasetFile(name, data, error) : BuiltinDataset(name, data, error);
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quorvex-gpssim %s\n", QUORVEX_VERSION);
            return 0;
        }
    SimOptions options;
    std::string error;
    int parsed = ParseSimOptions(argc, argv, options, error);
    if (parsed == 1) {
        std::fputs(SimHelpText(), stdout);
        return 0;
    }
    if (parsed == 2) {
        std::fprintf(stderr, "quorvex-gpssim: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (options.listProfiles) {
        std::fputs(DescribeProfiles().c_str(), stdout);
        return 0;
    }
    const GarminProfile* profile = FindGarminProfile(options.profile);
    if (!profile) {
        std::fprintf(stderr, "quorvex-gpssim: unknown profile '%s' (see --list-profiles)\n",
                     options.profile.c_str());
        return 2;
    }
    SimDataset data;
    if (!LoadDataset(options.dataset, data, error)) {
        std::fprintf(stderr, "quorvex-gpssim: %s\n", error.c_str());
        return 1;
    }
    if (options.dumpDataset) {
        std::fputs(DatasetToJson(data).c_str(), stdout);
        return 0;
    }
    std::vector<TraceStretch> trace;
    if (!options.replay.empty() && !LoadTrace(options.replay, trace, error)) {
        std::fprintf(stderr, "quorvex-gpssim: %s\n", error.c_str());
        return 1;
    }
    SetVerbose(options.verbose);
    InstallSignals();

    PtyLink link;
    if (!link.Open(error) || (!options.link.empty() && !link.MakeLink(options.link, error))) {
        std::fprintf(stderr, "quorvex-gpssim: %s\n", error.c_str());
        return 1;
    }
    link.SetBaud(options.baud);
    std::printf("%s\n", link.SlavePath().c_str());
    std::fflush(stdout);
    SimLog("serving dataset %s with profile %s on %s", data.name.c_str(), profile->name,
           link.SlavePath().c_str());

    if (!options.replay.empty()) {
        // Longer than any wait of a host between two of its stretches (a packet
        // time-out of 1 s, a busy machine on top); only a host that departs
        // from the trace waits this long.
        const int kQuietMs = 5000;
        const bool followed = ReplayTrace(link, trace, kQuietMs);
        link.Close();
        return followed ? 0 : 1;
    }
    LineFaults faults(link, options.faults);
    GarminSession garmin(link, options, data, *profile, faults);
    MagellanSession magellan(link, options, data, faults);
    while (!StopRequested()) {
        if (!link.IsOpen()) {
            // The device was closed on purpose: wait for the stop signal.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        int b = link.ReadByte(250);
        if (b == garmin_wire::kDle)
            garmin.OnFrameStart();
        else if (b == '$')
            magellan.OnSentenceStart();
    }
    link.Close();
    return 0;
}
